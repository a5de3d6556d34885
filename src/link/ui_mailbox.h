// Hands texts from the link threads to the window thread: each publish
// queues its text and posts one message; each message takes the oldest text.
// Releases, departures and withdrawals carry everything in the message
// itself, so they are never dropped when a queue is full.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "link/connection_state.h"
#include "link/link_origin.h"
#include "link/window_messages.h"
#include "platform/notifier.h"

namespace vork {

// A login request as the window shows and answers it.
struct PhoneRequest {
    RequestNumber number = 0;
    LinkOrigin origin;
    std::string name;
};

// A status text or a command, with the link it comes from.
struct LinkText {
    LinkOrigin origin;
    std::string text;
    std::string detail;  // "Connected.": the name of who connected
};

struct Notice {
    std::string text;
    // A standing warning ("Unpaired phones can connect"); otherwise the
    // notice of a login, which the next login replaces.
    bool warning = false;
};

// What a browser page asks of the window besides its phone commands: the
// moves of its touchpad, its typing and special keys, and beats that say the
// finger is still on a held key.
struct WebInput {
    enum class Kind : std::uint32_t {
        Command,  // a phone command text, as a Bluetooth phone sends it
        Move,     // the pointer by (dx, dy)
        Scroll,   // the wheel by dy (WHEEL_NOTCH a notch, positive away from the user)
        LeftClick,
        RightClick,
        Beat,     // the finger is still on a held key
        Text,     // delete dx characters, then type the command's text (UTF-8, checked)
        Press,    // the command is a key-language text
        Media,    // the media key dx (a MediaKey)
        Visible,  // the page is shown (dx 1) or hidden (dx 0)
    };
    Kind kind = Kind::Command;
    std::string command;
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    ConnectionId page = 0;
};

// The browser remote's server, as the window's address line tells it.
enum class WebServerState : std::uint32_t {
    Listening,  // the port is open
    Retrying,   // the port is taken (perhaps by Vork's own last run); trying again
    PortBusy,   // given up on the port
    Stopped,    // the server failed and stopped; the rest of Vork runs on
    Off,        // switched off: no port is open
};

class UiMailbox {
public:
    static constexpr std::size_t QUEUE_LIMIT = 1024;

    // The caller keeps the notifier alive for the mailbox's whole life.
    explicit UiMailbox(Notifier& notifier);
    // The mailbox keeps the notifier alive, so a link thread that holds the
    // mailbox can post for as long as it runs.
    explicit UiMailbox(std::shared_ptr<Notifier> notifier);

    // False when the text was dropped (queue full) or the post failed.
    bool publishStatus(LinkOrigin origin, std::string_view text, std::string_view detail = {}) {
        return publish(Slot::Status, text, origin, 0, 0, 0, detail);
    }
    bool publishNotice(std::string_view text) { return publish(Slot::Notice, text, {}, 0); }
    bool publishWarning(std::string_view text) { return publish(Slot::Notice, text, {}, 1); }
    bool publishRequest(LinkOrigin origin, RequestNumber number, std::string_view name) {
        return publish(Slot::Request, name, origin, number);
    }
    bool publishCommand(LinkOrigin origin, std::string_view text) { return publish(Slot::Command, text, origin); }
    bool publishWebInput(const WebInput& input);
    // The connection's held action, if it holds one, is to stop.
    bool publishRelease(ConnectionId connection) { return notifier_.post(WM_LINK_RELEASE, connection, 0); }
    // The connection has gone: as a release, and its request and its
    // connected state are over.
    bool publishDeparture(ConnectionId connection) {
        return notifier_.post(WM_LINK_RELEASE, connection, LINK_DEPARTED);
    }
    bool publishWithdrawn(RequestNumber number) { return notifier_.post(WM_REQUEST_WITHDRAWN, number, 0); }
    bool publishWebServer(WebServerState state, std::uint16_t port) {
        return notifier_.post(WM_WEB_SERVER, static_cast<std::uintptr_t>(state), port);
    }
    // The user asked, on the Connect page, for the browser remote on or off.
    bool publishSwitchWanted(bool on) { return notifier_.post(WM_SWITCH_WANTED, on ? 1 : 0, 0); }

    // The oldest queued entry; empty when none is queued.
    LinkText readStatus() { return takeText(Slot::Status); }
    Notice readNotice();
    PhoneRequest readRequest();
    LinkText readCommand() { return takeText(Slot::Command); }
    WebInput readWebInput();

private:
    enum class Slot : std::size_t { Status, Notice, Request, Command, Web };
    struct Entry {
        std::uint64_t id = 0;
        std::uint32_t number = 0;  // a request's number, a web input's kind, a notice's kind
        LinkOrigin origin;
        std::string text;
        std::string detail;
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

    bool publish(Slot slot, std::string_view text, LinkOrigin origin, std::uint32_t number = 0, std::int32_t dx = 0,
                 std::int32_t dy = 0, std::string_view detail = {});
    // The oldest entry's text; its other fields into `rest` when given.
    std::string take(Slot slot, Entry* rest = nullptr);
    LinkText takeText(Slot slot);

    std::shared_ptr<Notifier> ownedNotifier_;
    Notifier& notifier_;
    std::mutex mutex_;
    std::uint64_t nextId_ = 0;
    std::array<Queue, 5> queues_;
};

}  // namespace vork
