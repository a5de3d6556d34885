// A media session whose players the test sets; commands and seeks are
// written down, and each change is told as a real session tells it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/media_session.h"

namespace vork::test {

class FakeMediaSession final : public MediaSession {
public:
    std::vector<MediaPlayer> players() override { return list; }
    void command(const std::string& id, PlayerCommand command) override {
        const char* names[] = {"play-pause", "next", "previous"};
        calls.push_back(id + " " + names[static_cast<int>(command)]);
    }
    void seek(const std::string& id, std::int64_t positionMs) override {
        calls.push_back(id + " seek " + std::to_string(positionMs));
    }
    std::string artwork(const std::string& artUrl, int side) override {
        return artUrl.starts_with("file:") ? "data:image/jpeg;base64,ART" + std::to_string(side) : std::string();
    }
    void onChange(std::function<void()> changed) override { changed_ = std::move(changed); }

    // The players as they are now, told.
    void set(std::vector<MediaPlayer> players) {
        list = std::move(players);
        if (changed_) changed_();
    }

    std::vector<MediaPlayer> list;
    std::vector<std::string> calls;

private:
    std::function<void()> changed_;
};

}  // namespace vork::test
