// Hands texts from the listener thread to the window thread: each publish
// queues its text and posts one message; each message takes the oldest text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>
#include <mutex>
#include <string>
#include <memory>
#include <string_view>

#include "link/connection_state.h"
#include "link/notifier.h"

namespace vork {

// A phone's login request as the window shows and answers it.
struct PhoneRequest {
    RequestNumber number = 0;
    std::string name;
};

// What the browser remote asks of the window. Only that link sends these:
// the pointer and wheel moves of its touchpad, and its phone commands, kept
// apart so that a held action it started can be stopped by it alone.
struct WebInput {
    enum class Kind : std::uint32_t {
        Command,     // a phone command text, as a Bluetooth phone sends it
        Move,        // the pointer by (dx, dy)
        Scroll,      // the wheel by dy (WHEEL_NOTCH a notch, positive away from the user)
        LeftClick,
        RightClick,
        Release,     // the finger is off: a held action it started stops
        Gone,        // the page's connection closed: as Release, and its request is withdrawn
    };
    Kind kind = Kind::Command;
    std::string command;
    std::int32_t dx = 0;
    std::int32_t dy = 0;
};

class UiMailbox {
public:
    static constexpr std::size_t QUEUE_LIMIT = 1024;

    // The caller keeps the notifier alive for the mailbox's whole life.
    explicit UiMailbox(Notifier& notifier);
    // The mailbox keeps the notifier alive, so a listener thread that holds
    // the mailbox can post for as long as it runs.
    explicit UiMailbox(std::shared_ptr<Notifier> notifier);

    // False when the text was dropped (queue full) or the post failed.
    bool publishStatus(std::string_view text) { return publish(Slot::Status, text); }
    bool publishNotice(std::string_view text) { return publish(Slot::Notice, text); }
    bool publishRequest(RequestNumber number, std::string_view name) { return publish(Slot::Request, name, number); }
    bool publishCommand(std::string_view text) { return publish(Slot::Command, text); }
    bool publishDisconnected() { return notifier_.post(WM_PHONE_DISCONNECTED); }
    bool publishWebInput(const WebInput& input);

    // The oldest queued text; empty when none is queued.
    std::string readStatus() { return take(Slot::Status); }
    std::string readNotice() { return take(Slot::Notice); }
    PhoneRequest readRequest();
    std::string readCommand() { return take(Slot::Command); }
    WebInput readWebInput();

private:
    enum class Slot : std::size_t { Status, Notice, Request, Command, Web };
    struct Entry {
        std::uint64_t id = 0;
        RequestNumber number = 0;  // or a web input's kind
        std::string text;
        std::int32_t dx = 0;
        std::int32_t dy = 0;
    };
    // A fixed ring of QUEUE_LIMIT entries: once its strings have grown, a
    // steady flow of short texts allocates nothing.
    struct Queue {
        std::vector<Entry> entries;
        std::size_t head = 0;
        std::size_t count = 0;
        Entry& at(std::size_t index) { return entries[(head + index) % entries.size()]; }
    };

    bool publish(Slot slot, std::string_view text, RequestNumber number = 0, std::int32_t dx = 0, std::int32_t dy = 0);
    // The oldest entry's text; its other fields into `rest` when given.
    std::string take(Slot slot, Entry* rest = nullptr);

    std::shared_ptr<Notifier> ownedNotifier_;
    Notifier& notifier_;
    std::mutex mutex_;
    std::uint64_t nextId_ = 0;
    std::array<Queue, 5> queues_;
};

}  // namespace vork
