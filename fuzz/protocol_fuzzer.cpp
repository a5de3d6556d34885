// The login and command protocol against any sequence of messages, decisions
// and reconnections. Checks: a login that is answered gets exactly one of the
// two replies, everything else is echoed, nothing is executed on a connection
// before it has been admitted, and no phone that was asked for is admitted
// without an ACCEPT of its own request (late clicks on old requests included).
#include <cstdlib>
#include <string>

#include "fake_system.h"
#include "fuzz_input.h"
#include "bluetooth/phone_protocol.h"
#include "recording_notifier.h"

namespace {

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vork;
    test::RecordingNotifier notifier;
    UiMailbox mailbox(notifier);
    ConnectionState state;
    test::FakeSleeper sleeper;
    sleeper.stopAfter = 50;
    PhoneProtocol protocol(mailbox, state, sleeper);

    bool admitted = false;  // the model's view of the connection
    RequestNumber lastRequest = 0;
    fuzz::PieceReader reader(data, size);
    fuzz::Piece piece;
    protocol.beginConnection("A");
    while (reader.next(piece)) {
        // Control bits: 0x01 a new connection (0x02 picks its device), 0x04 the
        // user accepts / 0x08 declines the shown request during the wait, 0x10
        // a late click (0x20 ACCEPT, else DECLINE) on the last request shown.
        if ((piece.control & 0x01) != 0) {
            protocol.beginConnection((piece.control & 0x02) != 0 ? "B" : "A");
            admitted = false;
        }
        if ((piece.control & 0x10) != 0)
            state.answer(lastRequest, (piece.control & 0x20) != 0 ? Accepted : Rejected, sleeper.nowMs());
        const ConnectionStateValue decision =
            (piece.control & 0x04) != 0 ? Accepted : (piece.control & 0x08) != 0 ? Rejected : Pending;
        sleeper.onPause = [&](std::size_t) {
            const RequestEvent shown = test::take<RequestEvent>(mailbox);
            if (shown.number != 0) lastRequest = shown.number;
            if (decision != Pending) state.answer(lastRequest, decision, sleeper.nowMs());
        };
        sleeper.pauses.clear();

        const std::string message(piece.bytes.substr(0, 1024));
        const std::size_t before = notifier.wakes().size();
        const bool isLogin = message.starts_with(LOGIN_PREFIX);
        const auto reply = protocol.handleRequest(message);

        const auto messages = notifier.wakes();
        bool commandPublished = false;
        for (std::size_t i = before; i < messages.size(); ++i) commandPublished |= messages[i] == EventQueue::Command;
        if (admitted) {
            if (reply != message) violated("an admitted phone's message was not echoed");
            if (!commandPublished) violated("an admitted phone's message was not executed");
        } else if (isLogin) {
            if (reply && *reply != LOGIN_OK_REPLY && *reply != LOGIN_ERR_REPLY) violated("a login got another reply");
            if (commandPublished) violated("a login was executed");
            const bool asked = !sleeper.pauses.empty();
            if (reply == LOGIN_OK_REPLY && asked && decision != Accepted)
                violated("a phone was admitted without an ACCEPT of its own request");
            admitted = reply == LOGIN_OK_REPLY;
        } else {
            if (reply != message) violated("a message was not echoed");
            if (commandPublished) violated("a message of a phone not admitted was executed");
        }
        for (const std::uint32_t pause : sleeper.pauses)
            if (pause != 1000) violated("the decision was polled at another pace");
        while (!test::take<CommandEvent>(mailbox).command.empty() || !test::take<StatusEvent>(mailbox).text.empty() ||
               !test::take<NoticeEvent>(mailbox).text.empty()) {
        }
        notifier.clear();
        if (!reply) break;  // the stop ended the wait
    }
    return 0;
}
