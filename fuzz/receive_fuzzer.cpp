// The listener's receive path with a socket that delivers arbitrary chunks,
// ends in any way, refuses any send and may leave while the user is asked.
// Chunks may carry line endings anywhere, which switch the connection to
// lines. Checks: every socket closed once, every service record withdrawn,
// and every message the stream carries answered exactly once, counted from
// the chunks independently of the listener.
#include <cstdio>
#include <cstdlib>

#include "fake_system.h"
#include "fuzz_input.h"
#include "bluetooth/phone_listener.h"
#include "recording_notifier.h"
#include "platform/win32/winsock_serial_service.h"
#include "scripted_sockets.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// The messages in the stream as a phone means them: one per receive (up to
// 1024 bytes) until a receive holds CR or LF; from that receive on, one per
// non-empty line (CR, LF or CR LF ends one), an over-long line counting once
// and an unended one only once it is over-long. An empty chunk reads as the
// end of the connection.
std::size_t expectedMessages(const std::vector<std::string>& chunks) {
    constexpr std::size_t LIMIT = vork::RECEIVE_BUFFER_SIZE;
    std::size_t messages = 0;
    bool lines = false;
    std::size_t lineLength = 0;
    bool afterCr = false;
    for (const std::string& chunk : chunks) {
        if (chunk.empty()) break;
        for (std::size_t start = 0; start < chunk.size(); start += LIMIT) {
            const std::string_view piece = std::string_view(chunk).substr(start, LIMIT);
            if (!lines && piece.find_first_of("\r\n") == std::string_view::npos) {
                ++messages;
                continue;
            }
            lines = true;
            for (const char byte : piece) {
                const bool ending = byte == '\r' || byte == '\n';
                if (ending && !(byte == '\n' && afterCr)) {
                    if (lineLength > 0 && lineLength <= LIMIT) ++messages;
                    lineLength = 0;
                }
                afterCr = byte == '\r';
                if (ending) continue;
                if (++lineLength == LIMIT + 1) ++messages;  // cut at the limit
            }
        }
    }
    return messages;
}

struct Served {
    std::size_t sends = 0;  // send calls, failed ones included
    std::string sent;       // every byte that went out, in order
};

// One listener cycle over the connection; checks what every cycle must leave behind.
Served serve(const vork::test::ScriptedConnection& connection, std::uint8_t controls, std::size_t sendLimit,
             bool userSilent) {
    using namespace vork;
    test::ScriptedSockets sockets;
    test::RecordingNotifier notifier;
    UiMailbox mailbox(notifier);
    ConnectionState state;
    test::FakeSleeper sleeper;
    sleeper.stopAfter = 200;
    win32::WinsockSerialService service(sockets);
    PhoneListener listener(service, mailbox, state, sleeper);
    sockets.sendLimit = sendLimit;
    sockets.failSends = (controls & 0x02) != 0;
    sockets.connections.push_back(connection);
    // Or the user answers each request at the first poll after it is shown.
    if (!userSilent) {
        sleeper.onPause = [&](std::size_t) {
            state.answer(test::take<RequestEvent>(mailbox).number, (controls & 0x04) != 0 ? Accepted : Rejected, sleeper.nowMs());
        };
    }

    listener.runCycle();

    if (!sockets.openSockets().empty() || sockets.doubleCloses() != 0) fail("a socket was leaked or closed twice");
    if (sockets.registrations() != sockets.unregistrations()) fail("a service record was left behind");
    Served served;
    for (const std::string& entry : sockets.traffic()) served.sends += entry[0] == 's' ? 1 : 0;
    for (const std::string& reply : sockets.replies()) served.sent += reply;
    return served;
}

}  // namespace

// The first byte limits each send (0: whole sends); the rest are the chunks.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vork;
    if (size == 0) return 0;
    const std::size_t sendLimit = data[0];
    fuzz::PieceReader reader(data + 1, size - 1);
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

    // With whole sends every reply is one send call, an empty one included.
    const Served whole = serve(connection, controls, 0, userSilent);
    if (!userSilent && whole.sends != expectedMessages(connection.chunks)) fail("a message got no reply, or one too many");
    // However the link splits them, the same bytes go out.
    if (sendLimit != 0 && serve(connection, controls, sendLimit, userSilent).sent != whole.sent)
        fail("short sends lost, doubled or reordered a reply's bytes");
    return 0;
}
