// The browser remote's page messages from two pages at once, with the user's
// answers, a Bluetooth phone's requests and time passing. Checks: a page is
// let in only by an ACCEPT of its own request or by a token it was given and
// that was not forgotten; a page never opens a second request while one is
// open; only the messages of a page let in (as its replies told it) reach
// the window.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "counting_random.h"
#include "fuzz_input.h"
#include "recording_notifier.h"
#include "web/web_session.h"

namespace {

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

// Takes what the posted messages announced; the pages whose input reached the window.
std::set<vork::ConnectionId> drain(vork::test::RecordingNotifier& notifier, vork::UiMailbox& mailbox) {
    std::set<vork::ConnectionId> inputFrom;
    for (const unsigned posted : notifier.messages()) {
        if (posted == vork::WM_WEB_INPUT) inputFrom.insert(mailbox.readWebInput().page);
        if (posted == vork::WM_PHONE_STATUS) mailbox.readStatus();
        if (posted == vork::WM_PHONE_NOTICE) mailbox.readNotice();
        if (posted == vork::WM_PHONE_REQUEST) mailbox.readRequest();
    }
    notifier.clear();
    return inputFrom;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vork;
    test::RecordingNotifier notifier;
    UiMailbox mailbox(notifier);
    ConnectionState state;
    test::CountingRandom random;
    TrustedDevices trusted;
    WebLink link(mailbox, state, random, trusted);

    std::uint64_t now = 0;
    const std::array<std::string, 2> addresses = {"10.0.0.1", "10.0.0.2"};
    std::array<std::unique_ptr<WebSession>, 2> pages = {std::make_unique<WebSession>(link, addresses[0], now),
                                                       std::make_unique<WebSession>(link, addresses[1], now)};
    std::array<RequestNumber, 2> asked = {0, 0};       // each page's request on screen
    std::array<bool, 2> acceptedByUser = {false, false};
    std::array<bool, 2> letIn = {false, false};        // as the page's own replies told it
    std::set<std::string> given;                       // tokens handed out and not forgotten
    std::array<std::string, 2> heldToken;              // the token each page was let in with
    RequestNumber phoneRequest = 0;

    fuzz::PieceReader reader(data, size);
    fuzz::Piece piece;
    while (reader.next(piece)) {
        // Control bits: 0x01 which page; 0x02 it closes and a new one opens; 0x04 the user
        // accepts / 0x08 declines the page's request; 0x10 a second and a half pass (else
        // 10 ms); 0x20 a Bluetooth phone asks, 0x80 its request ends.
        const std::size_t index = piece.control & 0x01;
        WebSession& page = *pages[index];
        if ((piece.control & 0x02) != 0) {
            page.closed(now);
            pages[index] = std::make_unique<WebSession>(link, addresses[index], now);
            asked[index] = 0;
            acceptedByUser[index] = false;
            letIn[index] = false;
        }
        if ((piece.control & 0x20) != 0) phoneRequest = state.openRequest("phone", now).number;
        if ((piece.control & 0x80) != 0) state.closeRequest(phoneRequest);
        if (asked[index] != 0 && (piece.control & 0x0C) != 0) {
            const bool accept = (piece.control & 0x04) != 0;
            if (state.answer(asked[index], accept ? Accepted : Rejected, now) && accept) acceptedByUser[index] = true;
        }
        now += (piece.control & 0x10) != 0 ? 1500 : 10;

        WebSession& current = *pages[index];
        const bool someRequestOpen =
            state.isOpen(phoneRequest) || state.isOpen(asked[0]) || state.isOpen(asked[1]);
        const std::string message(piece.bytes.substr(0, WEB_MESSAGE_LIMIT));
        drain(notifier, mailbox);
        std::vector<std::string> replies = current.receive(message, now).replies;
        if (!letIn[index] && drain(notifier, mailbox).contains(current.id()))
            violated("a page not let in reached the window");
        for (const std::string& reply : current.wake(now).replies) replies.push_back(reply);

        for (const std::string& reply : replies) {
            if (reply == "asking") {
                if (someRequestOpen) violated("a page opened a request while one was open");
                asked[index] = mailbox.readRequest().number;
                acceptedByUser[index] = false;
            } else if (reply == "declined" || reply == "busy" || reply == "unanswered" || reply == "unpaired" ||
                       reply == "unknown") {
                letIn[index] = false;
            } else if (reply.starts_with("accepted ")) {
                if (!acceptedByUser[index]) violated("a page was let in without an ACCEPT of its own request");
                given.insert(reply.substr(9));
                heldToken[index] = reply.substr(9);
                letIn[index] = true;
            } else if (reply == "connected") {
                const std::string token(message.starts_with("hello ") ? message.substr(6) : "");
                if (!given.contains(token) && !acceptedByUser[index])
                    violated("a page was let in with a token it was never given");
                heldToken[index] = token;
                letIn[index] = true;
            } else if (reply == "forgotten") {
                given.erase(heldToken[index]);
            }
        }
        drain(notifier, mailbox);
    }
    return 0;
}
