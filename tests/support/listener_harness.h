// A phone listener over scripted sockets, a recording notifier and simulated
// pauses, with the window's view of what it published.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "fake_system.h"
#include "bluetooth/phone_listener.h"
#include "platform/win32/winsock_serial_service.h"
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
        for (EventQueue message : notifier.wakes())
            if (message == EventQueue::Status) texts.push_back(test::take<StatusEvent>(mailbox).text);
        notifier.clear();
        return texts;
    }
    // The user answers the request the window shows.
    void answerShownRequest(ConnectionStateValue decision) {
        state.answer(test::take<RequestEvent>(mailbox).number, decision, sleeper.nowMs());
    }
    // The connections that have gone so far.
    int disconnections() {
        while (const std::optional<LinkEvent> signal = mailbox.take(EventQueue::Signal))
            departures += std::holds_alternative<GoneEvent>(*signal) ? 1 : 0;
        return departures;
    }

    ScriptedSockets sockets;
    RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
    ConnectionState state;
    FakeSleeper sleeper;
    win32::WinsockSerialService service{sockets};
    PhoneListener listener{service, mailbox, state, sleeper};
    int departures = 0;
};

}  // namespace vork::test
