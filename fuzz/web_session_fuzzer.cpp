// The browser remote's page messages: a page paired through the sealed layer
// (the target knows its keys, so the input's bytes become sealed messages)
// and a stranger that sends the input's bytes as they are, with pages closing
// and new ones pairing, and time passing. Checks: nothing from a page that is
// not through the handshake reaches the window; a sealed page's replies open
// with its keys, in order; a raw frame to a sealed page ends it.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "counting_random.h"
#include "fuzz_input.h"
#include "openssl_crypto.h"
#include "page_model.h"
#include "recording_notifier.h"
#include "web/web_session.h"

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
    test::CountingRandom random;
    test::OpenSslCrypto crypto;
    TrustedDevices trusted;
    PairingOffers offers(crypto, random, 1);  // the code's derivation costs nothing here
    WebLink link(mailbox, state, random, trusted, crypto, offers);

    std::uint64_t now = 0;
    // The paired page: through the handshake by the offer's secret.
    std::unique_ptr<WebSession> paired;
    std::optional<test::PageModel> model;
    int pairings = 0;
    const auto pairAgain = [&] {
        const PairingOffer* offer = offers.renew(now);
        // From an address of its own: the last one may be waiting after a refusal.
        paired = std::make_unique<WebSession>(link, "10.1.0." + std::to_string(++pairings), now);
        model.emplace(crypto, Bytes(LINK_NONCE_BYTES, 7));
        const auto challenge = paired->receive(model->pair(), now).replies;
        if (challenge.empty() || !challenge[0].starts_with("challenge ")) violated("no challenge to a fresh page");
        const auto verified = paired->receive(model->answer(challenge.at(0), offer->secret), now).replies;
        if (verified.empty() || !model->verified(verified[0])) violated("the page could not pair");
        for (const std::string& reply : paired->receive(model->seal("name Fuzz"), now).replies)
            if (!model->open(reply)) violated("a reply did not open");
    };
    pairAgain();
    auto stranger = std::make_unique<WebSession>(link, "10.0.0.2", now);
    notifier.clear();

    fuzz::PieceReader reader(data, size);
    fuzz::Piece piece;
    while (reader.next(piece)) {
        // Control bits: 0x01 the stranger, else the paired page; 0x02 that page
        // closes and a new one opens (pairing afresh); 0x04 the paired page
        // gets the bytes unsealed; 0x10 a second and a half pass (else 10 ms).
        now += (piece.control & 0x10) != 0 ? 1500 : 10;
        const std::string bytes(piece.bytes.substr(0, WEB_MESSAGE_LIMIT));
        if ((piece.control & 0x01) != 0) {
            if ((piece.control & 0x02) != 0) stranger = std::make_unique<WebSession>(link, "10.0.0.2", now);
            notifier.clear();
            stranger->receive(bytes, now);
            stranger->wake(now);
            for (const unsigned posted : notifier.messages())
                if (posted == WM_WEB_INPUT || posted == WM_PHONE_STATUS)
                    violated("a page not through the handshake reached the window");
            continue;
        }
        if ((piece.control & 0x02) != 0 || paired->over()) {
            paired->closed();
            pairAgain();
        }
        notifier.clear();
        const bool raw = (piece.control & 0x04) != 0;
        const auto outcome = paired->receive(raw ? bytes : model->seal(bytes), now);
        if (raw) {
            if (!paired->over()) violated("an unsealed frame did not end a sealed page");
            for (const unsigned posted : notifier.messages())
                if (posted == WM_WEB_INPUT) violated("an unsealed frame reached the window");
            continue;
        }
        for (const std::string& reply : outcome.replies)
            if (!outcome.close && !model->open(reply)) violated("a sealed reply did not open in order");
        for (const std::string& reply : paired->wake(now).replies)
            if (!model->open(reply)) violated("a sealed reply did not open in order");
    }
    return 0;
}
