// A phone listener over scripted sockets, a recording notifier and simulated
// pauses, with the window's view of what it published.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "fake_system.h"
#include "link/phone_listener.h"
#include "recording_notifier.h"
#include "scripted_sockets.h"

namespace vork::test {

struct ListenerHarness {
    ListenerHarness() {
        sockets.onTimePassing = [this](std::uint32_t milliseconds) { sleeper.advance(milliseconds); };
    }

    // The status texts published since the last call, in order.
    std::vector<std::string> statuses() {
        std::vector<std::string> texts;
        for (unsigned message : notifier.messages())
            if (message == WM_PHONE_STATUS) texts.push_back(mailbox.readStatus().text);
        notifier.clear();
        return texts;
    }
    // The user answers the request the window shows.
    void answerShownRequest(ConnectionStateValue decision) {
        state.answer(mailbox.readRequest().number, decision, sleeper.nowMs());
    }
    [[nodiscard]] int disconnections() const {
        const auto posted = notifier.posted();
        return static_cast<int>(std::count_if(posted.begin(), posted.end(), [](const Posted& entry) {
            return entry.message == WM_LINK_RELEASE && entry.lParam == LINK_DEPARTED;
        }));
    }

    ScriptedSockets sockets;
    RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
    ConnectionState state;
    FakeSleeper sleeper;
    PhoneListener listener{sockets, mailbox, state, sleeper};
};

}  // namespace vork::test
