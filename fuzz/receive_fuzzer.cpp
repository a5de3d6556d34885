// The listener's receive path with a socket that delivers arbitrary chunks,
// ends in any way and refuses any send. Checks: every delivered chunk gets
// one reply attempt or ends the connection, and every socket is closed.
#include <cstdio>
#include <cstdlib>

#include "fake_system.h"
#include "fuzz_input.h"
#include "link/phone_listener.h"
#include "recording_notifier.h"
#include "scripted_sockets.h"

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
        connection.chunks.emplace_back(piece.bytes.substr(0, 1024));
    }
    connection.endResult = (controls & 0x01) != 0 ? -1 : 0;
    sockets.sendLimit = controls >> 5;  // 0: whole sends
    sockets.failSends = (controls & 0x02) != 0;
    sockets.connections.push_back(connection);
    sleeper.onPause = [&state, controls](std::size_t) { state.set((controls & 0x04) != 0 ? Accepted : Rejected); };

    listener.runCycle();

    if (!sockets.openSockets().empty() || sockets.doubleCloses() != 0) {
        std::fprintf(stderr, "a socket was leaked or closed twice\n");
        std::abort();
    }
    if (sockets.registrations() != sockets.unregistrations()) {
        std::fprintf(stderr, "a service record was left behind\n");
        std::abort();
    }
    if (!sockets.failSends) {
        std::size_t empty = 0;
        for (const auto& chunk : connection.chunks) empty += chunk.empty() ? 1 : 0;
        // An empty chunk is indistinguishable from a closed link for the
        // socket layer; the scripted one reports it as 0 bytes: the end.
        if (empty == 0 && sockets.replies().size() < connection.chunks.size()) {
            std::fprintf(stderr, "a message got no reply\n");
            std::abort();
        }
    }
    return 0;
}
