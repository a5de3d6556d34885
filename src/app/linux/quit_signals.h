// Ends the program as the desktop asks it to: SIGTERM (the session logging
// out, a service manager), SIGINT (Ctrl+C in a terminal) and SIGHUP (the
// terminal gone) quit the event loop, so that what Vork changed on the
// desktop (characters put on spare keycodes, its Bluetooth profile) is put
// back as after Quit in the menu, not left behind by a plain death.
#pragma once

#include <signal.h>

#include <QSocketNotifier>
#include <array>
#include <functional>
#include <memory>

#include "platform/linux/descriptor.h"

namespace vork::linux_x11 {

class QuitSignals {
public:
    // onSignal runs once, on the thread that made this, from whichever event
    // loop runs then (a message box's too, or the main one when it starts);
    // a second signal meets the former handler (for most, the end).
    explicit QuitSignals(std::function<void()> onSignal);
    // The signals' former handlers come back.
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    void restoreFormer();

    static constexpr std::array<int, 3> SIGNALS = {SIGTERM, SIGINT, SIGHUP};

    Descriptor readEnd_;
    Descriptor writeEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::array<struct sigaction, SIGNALS.size()> former_{};
    std::array<bool, SIGNALS.size()> installed_{};
};

}  // namespace vork::linux_x11
