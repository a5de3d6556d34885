// What the links tell the window, each as a typed event decoded once on the
// link's own thread: statuses and notices, login requests, commands, a
// page's typing, keys, touchpad and visibility, and the signals that must
// never be lost (a held key released, a connection gone, a request
// withdrawn, the browser remote's server state, the switch the Connect page
// asked for).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

#include "link/link_origin.h"

namespace vork {

// The browser remote's server, as the window's address line tells it.
enum class WebServerState : std::uint32_t {
    Listening,  // the port is open
    Retrying,   // the port is taken (perhaps by Vork's own last run); trying again
    PortBusy,   // given up on the port
    Stopped,    // the server failed and stopped; the rest of Vork runs on
    Off,        // switched off: no port is open
};

// A status text; "Connected." also says who connected (detail).
struct StatusEvent {
    LinkOrigin origin;
    std::string text;
    std::string detail;
};
// A login's notice, which the next login replaces, or a standing warning.
struct NoticeEvent {
    std::string text;
    bool warning = false;
};
struct RequestEvent {
    RequestNumber number = 0;
    LinkOrigin origin;
    std::string name;
};
// A phone command text ("D:1"), from a phone or a page.
struct CommandEvent {
    LinkOrigin origin;
    std::string command;
};
// A page's typing: delete `deletions` characters, then type the text.
struct TypedEvent {
    ConnectionId page = 0;
    std::size_t deletions = 0;
    std::u16string text;
};
// A key-language text from a page's special keys ("^c", "{ENTER}").
struct PressEvent {
    ConnectionId page = 0;
    std::string keys;
};
// A media key (its index among MEDIA_KEYS).
struct MediaEvent {
    ConnectionId page = 0;
    std::uint8_t key = 0;
};
struct MoveEvent {
    ConnectionId page = 0;
    std::int32_t dx = 0;
    std::int32_t dy = 0;
};
// The wheel: WHEEL_NOTCH a notch, positive away from the user; tilted
// (across), positive to the right.
struct ScrollEvent {
    ConnectionId page = 0;
    std::int32_t amount = 0;
    std::int32_t across = 0;
};
struct ClickEvent {
    ConnectionId page = 0;
    bool right = false;
};
// The finger is still on a held key.
struct BeatEvent {
    ConnectionId page = 0;
};
struct VisibleEvent {
    ConnectionId page = 0;
    bool shown = false;
};
// The page's Now playing card: a command for the player it shows.
struct PlayerEvent {
    enum class Action : std::uint8_t { PlayPause, Next, Previous, Seek, Follow };
    ConnectionId page = 0;
    Action action = Action::PlayPause;
    std::int64_t positionMs = 0;  // Seek's
    std::string player;           // Follow's
};
// The connection's held action, if it holds one, is to stop.
struct ReleaseEvent {
    ConnectionId connection = 0;
};
// The connection has gone: as a release, and its request and its connected state are over.
struct GoneEvent {
    ConnectionId connection = 0;
};
struct WithdrawnEvent {
    RequestNumber number = 0;
};
struct ServerEvent {
    WebServerState state = WebServerState::Off;
    std::uint16_t port = 0;
};
// The user asked, on the Connect page, for the browser remote on or off.
struct SwitchWantedEvent {
    bool on = false;
};

using LinkEvent = std::variant<StatusEvent, NoticeEvent, RequestEvent, CommandEvent, TypedEvent, PressEvent, MediaEvent,
                               MoveEvent, ScrollEvent, ClickEvent, BeatEvent, VisibleEvent, PlayerEvent, ReleaseEvent,
                               GoneEvent, WithdrawnEvent, ServerEvent, SwitchWantedEvent>;

// The mailbox's queues, one for each sort of event, so that a flood of one
// sort never holds up another: statuses, notices, login requests, a phone's
// commands, a page's input, and the signals, which are never dropped.
enum class EventQueue : std::uint8_t { Status, Notice, Request, Command, Page, Signal };
inline constexpr std::size_t EVENT_QUEUES = 6;

EventQueue queueOf(const LinkEvent& event);

}  // namespace vork
