// The listener's receive path with a socket that delivers arbitrary chunks,
// ends in any way, refuses any send and may leave while the user is asked.
// Checks: every socket closed once, every service record withdrawn, and
// every message the stream carries answered exactly once, counted from the
// chunks independently of the listener.
#include <cstdio>
#include <cstdlib>

#include "fake_system.h"
#include "fuzz_input.h"
#include "link/phone_listener.h"
#include "recording_notifier.h"
#include "scripted_sockets.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Messages in one-message-per-receive framing: each receive takes up to 1024
// bytes of the stream; an empty chunk reads as the end of the connection.
std::size_t framedMessages(const std::vector<std::string>& chunks) {
    std::size_t messages = 0;
    for (const std::string& chunk : chunks) {
        if (chunk.empty()) break;
        messages += (chunk.size() + vork::RECEIVE_BUFFER_SIZE - 1) / vork::RECEIVE_BUFFER_SIZE;
    }
    return messages;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vork;
    test::ScriptedSockets sockets;
    test::RecordingNotifier notifier;
    UiMailbox mailbox(notifier);
    ConnectionState state;
    test::FakeSleeper sleeper;
    sleeper.stopAfter = 200;
    PhoneListener listener(sockets, mailbox, state, sleeper);

    fuzz::PieceReader reader(data, size);
    fuzz::Piece piece;
    test::ScriptedConnection connection;
    std::uint8_t controls = 0;
    while (reader.next(piece)) {
        controls |= piece.control;
        connection.chunks.emplace_back(piece.bytes);
    }
    connection.endResult = (controls & 0x01) != 0 ? -1 : 0;
    if ((controls & 0x08) != 0) connection.leaveAfterChecks = 0;
    // A silent user leaves a login waiting until the phone leaves or a stop.
    const bool userSilent = (controls & 0x10) != 0;
    sockets.sendLimit = controls >> 5;  // 0: whole sends
    sockets.failSends = (controls & 0x02) != 0;
    sockets.connections.push_back(connection);
    // Or the user answers each request at the first poll after it is shown.
    if (!userSilent) {
        sleeper.onPause = [&](std::size_t) {
            state.answer(mailbox.readRequest().number, (controls & 0x04) != 0 ? Accepted : Rejected);
        };
    }

    listener.runCycle();

    if (!sockets.openSockets().empty() || sockets.doubleCloses() != 0) fail("a socket was leaked or closed twice");
    if (sockets.registrations() != sockets.unregistrations()) fail("a service record was left behind");

    // Each receive that delivered a message is answered (one send, or more
    // when sends come up short) before the next receive.
    const std::vector<std::string> traffic = sockets.traffic();
    std::size_t received = 0;
    for (std::size_t i = 0; i < traffic.size(); ++i) {
        if (traffic[i][0] != 'r') continue;
        ++received;
        const bool answered = i + 1 < traffic.size() && traffic[i + 1][0] == 's';
        // Only a login that the user never answered goes without a reply.
        if (!answered && !(userSilent && i + 1 == traffic.size())) fail("a message got no reply");
    }
    if (!userSilent && received != framedMessages(connection.chunks)) fail("a message was lost or invented");
    return 0;
}
