// The desktop's media session: the players that publish themselves (on Linux
// over MPRIS), what each plays and can do, and commands to one of them. Used
// on the window's thread only; a desktop without one has none at all.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/non_copyable.h"

namespace vork {

enum class PlaybackStatus : std::uint8_t { Stopped, Playing, Paused };

struct MediaPlayer {
    std::string id;            // the session's own name for it, without spaces
    std::string name;          // what the player calls itself: "VLC media player"
    std::string program;       // its program's file name, empty when not known
    std::string desktopEntry;  // its desktop file's name: "vlc"
    std::string title;
    std::string artists;  // joined with ", "
    std::string album;
    std::string artUrl;
    PlaybackStatus status = PlaybackStatus::Stopped;
    std::int64_t positionMs = 0;
    std::uint64_t positionReadMs = 0;  // the steady clock's time when positionMs was true
    std::int64_t lengthMs = 0;         // 0: not known
    bool canPlayPause = false;
    bool canNext = false;
    bool canPrevious = false;
    bool canSeek = false;
};

// Where the playback is at nowMs: as last read, moved on while it plays, never past its length.
inline std::int64_t positionAt(const MediaPlayer& player, std::uint64_t nowMs) {
    std::int64_t position = player.positionMs;
    if (player.status == PlaybackStatus::Playing && nowMs > player.positionReadMs)
        position += static_cast<std::int64_t>(nowMs - player.positionReadMs);
    if (player.lengthMs > 0) position = std::min(position, player.lengthMs);
    return std::max<std::int64_t>(0, position);
}

// The position taken as read now, before the status changes: time played
// before a pause counts, time paused before playing on does not.
inline void rebasePosition(MediaPlayer& player, std::uint64_t nowMs) {
    player.positionMs = positionAt(player, nowMs);
    player.positionReadMs = nowMs;
}

enum class PlayerCommand : std::uint8_t { PlayPause, Next, Previous };

class MediaSession : public Interface {
public:
    // The players there are, in the order they appeared.
    virtual std::vector<MediaPlayer> players() = 0;
    // Asked without waiting for an answer; a player that is gone is no fault.
    virtual void command(const std::string& id, PlayerCommand command) = 0;
    virtual void seek(const std::string& id, std::int64_t positionMs) = 0;
    // The picture behind a player's artUrl as a data: URL, at most `side`
    // pixels a side; empty while it is read (a change follows) or when it
    // cannot be had (a remote address is never fetched).
    virtual std::string artwork(const std::string& artUrl, int side) = 0;
    // Called on the window's thread whenever a player appears, changes or goes.
    virtual void onChange(std::function<void()> changed) = 0;
};

}  // namespace vork
