// Which requests reach the pages' files, and how they are answered.
#include <gtest/gtest.h>

#include <array>

#include "config/remote_switch.h"
#include "memory_store.h"
#include "config/settings_file.h"
#include "config/starter_settings.h"
#include "link/refusal_backoff.h"
#include "link/trusted_devices.h"
#include "web/connect_page.h"
#include "web/page_routes.h"
#include "web/reachable_addresses.h"
#include <cctype>
#include <functional>
#include "app/command_line.h"
#include "bluetooth/phone_protocol.h"
#include "counting_random.h"
#include "crypto_vectors.h"
#include "page_model.h"
#include "platform/gcrypt/gcrypt_crypto.h"
#include "recording_notifier.h"
#include "utf8_of.h"
#include "web/web_session.h"

namespace vork {
namespace {
using test::MemoryFile;

TEST(PageRoutes, ThisPcsOwnNames_AreAnswered_OtherNamesAreToldTheAddress) {
    const std::array<PageFile, 1> files = {{{"/index.html", "text/html", "<p>"}}};
    const std::vector<std::string> names = {"DESKTOP-42", "desktop-42", "desktop-42.home.lan"};
    struct Case {
        const char* host;
        int status;
    };
    for (const Case& c : std::vector<Case>{{"DESKTOP-42:8642", 200},
                                           {"desktop-42.local:8642", 200},
                                           {"Desktop-42.Home.Lan", 200},
                                           {"desktop-42.evil.example:8642", 403},
                                           {"local:8642", 403},
                                           {".local", 403}}) {
        const Route route = routeRequest({"GET", "/", c.host, "", false}, files, names);
        EXPECT_EQ(c.status, route.status) << c.host;
        EXPECT_EQ(c.status == 403, route.foreignHost) << c.host;
    }
}

// A page's ephemeral scalar: any 32 bytes below the group's order.
Bytes scalar(std::uint8_t fill) { return Bytes(P256_SCALAR_BYTES, fill); }

class WebSessionTest : public ::testing::Test {
public:
    using Replies = std::vector<std::string>;
    using Inputs = std::vector<std::pair<std::string, std::string>>;

    void SetUp() override { offer = *offers.renew(0); }

    Replies send(WebSession& session, std::string_view message, std::uint64_t at = 0) {
        return session.receive(message, at).replies;
    }
    // A page's whole handshake; the replies to its last message, opened
    // (or in the clear when it was refused).
    struct Paired {
        test::PageModel page;
        Replies opened;
        bool ok = false;
    };
    // The page pairs by the QR code's secret (or the typed code) and is named Pixel 7.
    Paired pair(WebSession& session, std::optional<std::string> code = {}, std::uint64_t at = 0,
                std::string_view naming = "name Pixel 7") {
        Paired result{test::PageModel(crypto, scalar(0xAB)), {}, false};
        const std::string first = code ? result.page.pairByCode(*code) : result.page.pair(offer->secret);
        const Replies share = send(session, first, at);
        const std::string confirm = share.size() == 1 ? result.page.confirm(share[0]) : "";
        if (confirm.empty()) {
            result.opened = share;
            return result;
        }
        const Replies afterConfirm = send(session, confirm, at);
        if (!afterConfirm.empty()) {
            result.opened = afterConfirm;  // in the clear: refused
            return result;
        }
        for (const std::string& reply : send(session, result.page.seal(naming), at))
            result.opened.push_back(result.page.open(reply).value_or("(sealed wrongly)"));
        result.ok = result.opened.size() == 2;
        return result;
    }
    Paired pairByQr(WebSession& session) { return pair(session); }
    // A remembered browser says hello with its key number `number`.
    Paired hello(WebSession& session, std::string_view browser, std::uint64_t number, const Bytes& key,
                 std::uint64_t at = 0) {
        Paired result{test::PageModel(crypto, scalar(0x5C)), {}, false};
        const Replies share = send(session, result.page.hello(browser, number, key), at);
        const std::string confirm = share.size() == 1 ? result.page.confirm(share[0]) : "";
        if (confirm.empty()) {
            result.opened = share;
            return result;
        }
        for (const std::string& reply : send(session, confirm, at))
            result.opened.push_back(result.page.open(reply).value_or(reply));
        result.ok = !result.opened.empty() && result.opened[0].starts_with("connected ");
        return result;
    }
    // The browser's id and key from "paired ID 1 KEY".
    static std::pair<std::string, Bytes> keyOf(std::string_view paired) {
        const std::string id(paired.substr(7, 2 * BROWSER_ID_BYTES));
        return {id, fromHex(paired.substr(10 + 2 * BROWSER_ID_BYTES)).value_or(Bytes{})};
    }
    // The window's side: what reached it since the last look, oldest first.
    Inputs webInputs() {
        Inputs inputs;
        for (const LinkEvent& event : test::drain(mailbox, notifier.wakes())) {
            std::visit(
                [&inputs](const auto& e) {
                    using Event = std::decay_t<decltype(e)>;
                    if constexpr (std::is_same_v<Event, ReleaseEvent>)
                        inputs.emplace_back("released", std::to_string(e.connection));
                    else if constexpr (std::is_same_v<Event, GoneEvent>)
                        inputs.emplace_back("departed", std::to_string(e.connection));
                    else if constexpr (std::is_same_v<Event, StatusEvent>)
                        inputs.emplace_back(e.text, "status");
                    else if constexpr (std::is_same_v<Event, NoticeEvent>)
                        inputs.emplace_back(e.text, "notice");
                    else if constexpr (std::is_same_v<Event, CommandEvent>)
                        inputs.emplace_back(e.command, std::to_string(e.origin.connection));
                    else if constexpr (std::is_same_v<Event, MoveEvent>)
                        inputs.emplace_back("move " + std::to_string(e.dx) + " " + std::to_string(e.dy), std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, ScrollEvent>)
                        inputs.emplace_back("scroll " + std::to_string(e.amount), std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, ClickEvent>)
                        inputs.emplace_back(e.right ? "right" : "left", std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, BeatEvent>)
                        inputs.emplace_back("beat", std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, TypedEvent>)
                        inputs.emplace_back("text " + std::to_string(e.deletions) + " " + test::utf8Of(e.text),
                                            std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, PressEvent>)
                        inputs.emplace_back("press " + e.keys, std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, MediaEvent>)
                        inputs.emplace_back("media " + std::to_string(e.key), std::to_string(e.page));
                    else if constexpr (std::is_same_v<Event, VisibleEvent>)
                        inputs.emplace_back("visible " + std::to_string(e.shown ? 1 : 0), std::to_string(e.page));
                    else
                        inputs.emplace_back("other", "");
                },
                event);
        }
        notifier.clear();
        return inputs;
    }
    std::string id(const WebSession& session) { return std::to_string(session.id()); }

    test::RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
    ConnectionState state;
    test::CountingRandom random;
    GcryptCrypto crypto;
    TrustedDevices trusted;
    PairingOffers offers{random};
    // A copy: a pairing that succeeds ends the offer itself.
    std::optional<PairingOffer> offer;
    WebLink link{mailbox, state, random, trusted, crypto, offers};
};

TEST(PageRoutes, OnlyThePagesFilesAndItsOwnSocket_ForThisHostByAddress) {
    const std::array<PageFile, 2> files = {{{"/index.html", "text/html", "<p>"}, {"/remote.js", "text/javascript", ""}}};
    struct Case {
        RequestLine request;
        int status;
        std::string_view file;
    };
    const std::vector<Case> cases = {
        {{"GET", "/", "192.168.1.20:8642", "", false}, 200, "/index.html"},
        {{"GET", "/?from=qr", "192.168.1.20:8642", "", false}, 200, "/index.html"},
        {{"HEAD", "/remote.js", "localhost:8642", "", false}, 200, "/remote.js"},
        {{"GET", "/../vork.toml", "127.0.0.1", "", false}, 404, ""},
        {{"GET", "/index.html/", "127.0.0.1", "", false}, 404, ""},
        {{"POST", "/", "127.0.0.1:8642", "", false}, 405, ""},
        {{"GET", "/", "attacker.example:8642", "", false}, 403, ""},
        {{"GET", "/", "", "", false}, 403, ""},
        {{"GET", "/", "192.168.1.256:8642", "", false}, 403, ""},
        {{"GET", "/", "192.168.1:8642", "", false}, 403, ""},
        {{"GET", "/", "192.168.1.20:86420", "", false}, 403, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "http://192.168.1.20:8642", true}, 101, ""},
        {{"GET", "/ws", "LocalHost:8642", "http://localhost:8642", true}, 101, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "http://attacker.example", true}, 403, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "http://192.168.1.20:8643", true}, 403, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "https://192.168.1.20:8642", true}, 403, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "", true}, 403, ""},
        {{"GET", "/other", "192.168.1.20:8642", "http://192.168.1.20:8642", true}, 403, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.request.method) + " " + std::string(c.request.target) + " host " +
                     std::string(c.request.host) + " origin " + std::string(c.request.origin));
        const Route route = routeRequest(c.request, files);
        EXPECT_EQ(c.status, route.status);
        EXPECT_EQ(c.status == 101, route.webSocket);
        EXPECT_EQ(c.file, route.file ? route.file->path : "");
    }
}

}  // namespace
}  // namespace vork
