// The window's whole logic: each event the links hand over goes to what
// shows it (the presenter) or what acts on it (the router), and the user's
// clicks, keys and the timers to the one that answers them.
#pragma once

#include <optional>

#include "app/command_router.h"
#include "app/now_playing.h"
#include "app/window_presenter.h"
#include "link/ui_mailbox.h"

namespace vork {

class WindowLogic {
public:
    // keyMaps: the settings file to follow, or none; media: the desktop's
    // media session for the Now playing card, or none.
    WindowLogic(WindowView& view, WindowActions& actions, UiMailbox& mailbox, ConnectionState& state,
                RemoteController& controller, const Clock& clock, KeyMapSource* keyMaps = nullptr,
                MediaSession* media = nullptr)
        : mailbox_(mailbox),
          actions_(actions),
          presenter_(view, actions, state, clock),
          router_(view, actions, controller, clock, keyMaps,
                  [this](const std::string& text) { presenter_.problem(text); }),
          nowPlaying_(media, controller.windows(), actions, clock) {}

    void initialise();
    // A wake from the mailbox: the oldest event of the queue it names; false
    // when there was none (the wake of an event that was taken back).
    bool handleWake(unsigned channel);
    void handle(const LinkEvent& event);

    bool preTranslateKey(unsigned virtualKey) { return presenter_.preTranslateKey(virtualKey); }
    bool handleClick(int controlId) { return presenter_.handleClick(controlId); }
    void handleTimer() { router_.handleTimer(); }
    void handleLabelWatch() {
        router_.handleLabelWatch();
        nowPlaying_.tick();
    }
    void accept() { presenter_.accept(); }
    void decline() { presenter_.decline(); }
    void hide() { presenter_.hide(); }

    [[nodiscard]] DialogMode mode() const { return presenter_.mode(); }
    [[nodiscard]] std::optional<RequestNumber> shownRequest() const { return presenter_.shownRequest(); }
    [[nodiscard]] bool repeatTimerRunning() const { return router_.repeatTimerRunning(); }
    [[nodiscard]] bool labelWatchRunning() const { return router_.labelWatchRunning(); }

private:
    template <class Event>
    void handleOne(const Event& item);

    UiMailbox& mailbox_;
    WindowActions& actions_;
    WindowPresenter presenter_;
    CommandRouter router_;
    NowPlaying nowPlaying_;
};

}  // namespace vork
