// Where the links' commands and a page's input go: the remote controller,
// with the settings file looked at first; who holds the held action (only
// its own link's release, silence or departure stops it, besides any new
// command) and the repeat timer it needs; the keypad's labels for the pages
// in view.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "app/window_view.h"
#include "config/key_map_source.h"
#include "link/link_events.h"
#include "platform/clock.h"
#include "remote/remote_controller.h"

namespace vork {

// While a browser page is shown, the window in front is looked at this often
// for its keypad's labels; never while none is.
inline constexpr unsigned LABEL_WATCH_PERIOD_MS = 500;
inline constexpr unsigned REPEAT_PERIOD_MS = 50;

class CommandRouter {
public:
    // keyMaps: the settings file to follow, or none; problem: says on the
    // status line why a changed file cannot be used.
    CommandRouter(WindowView& view, WindowActions& actions, RemoteController& controller, const Clock& clock,
                  KeyMapSource* keyMaps, std::function<void(const std::string&)> problem)
        : view_(view),
          actions_(actions),
          controller_(controller),
          clock_(clock),
          keyMaps_(keyMaps),
          problem_(std::move(problem)) {}

    void initialise();
    void run(const CommandEvent& command);
    void run(const TypedEvent& typed);
    void run(const PressEvent& press);
    void run(const MediaEvent& media);
    void run(const MoveEvent& move);
    void run(const ScrollEvent& scroll);
    void run(const ClickEvent& click);
    void run(const BeatEvent& beat);
    void run(const VisibleEvent& visible);
    void released(ConnectionId connection);
    void departed(ConnectionId connection);
    void handleTimer();
    // The label watch's timer: shown pages learn what the keys do in the
    // window now in front, when that changed.
    void handleLabelWatch();

    [[nodiscard]] bool repeatTimerRunning() const { return timerRunning_; }
    [[nodiscard]] bool labelWatchRunning() const { return !shownPages_.empty(); }

private:
    void runCommand(LinkOrigin origin, const std::string& command);
    // After any command: its link holds the held action it started, and its
    // page learns what the keys do now.
    void afterCommand(LinkOrigin origin);
    // A sign of a page's life: its held action goes on.
    void signOf(ConnectionId page);
    void refreshKeyMaps();
    void pageShown(ConnectionId page, bool shown);
    // The labels for the window in front, with the key maps as they are now.
    std::string currentLabels();
    // The labels to a shown page, unless it has them already (or always).
    void sendLabels(ConnectionId page, const std::string& message, bool always);
    void stopHeld();
    void syncRepeatTimer();

    WindowView& view_;
    WindowActions& actions_;
    RemoteController& controller_;
    const Clock& clock_;
    KeyMapSource* keyMaps_;
    std::function<void(const std::string&)> problem_;
    bool timerRunning_ = false;
    // The browser pages in view, with the labels each was last sent.
    std::map<ConnectionId, std::string> shownPages_;
    // Who started the held action running; only it may stop it, besides a new command.
    std::optional<LinkOrigin> holder_;
    std::uint64_t holderSignMs_ = 0;
};

}  // namespace vork
