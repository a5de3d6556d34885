// The browser remote's page messages: a page paired through the handshake
// (SPAKE2; the target plays the page, so the input's bytes become sealed
// messages) and a stranger that sends the input's bytes as they are, with
// pages closing and new ones pairing or coming back with their rotated key,
// and time passing. Checks: nothing from a page that is not through the
// handshake reaches the window; a sealed page's replies open with its keys,
// in order; a raw frame to a sealed page ends it; a remembered browser with
// its latest key always gets back in.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "counting_random.h"
#include "fuzz_input.h"
#include "platform/gcrypt/gcrypt_crypto.h"
#include "page_model.h"
#include "recording_notifier.h"
#include "web/web_session.h"

namespace {

// The library's answers, remembered: most inputs repeat the same handshakes
// (the random source starts afresh each time), and each costs a few curve
// multiplications that would otherwise take most of the target's time.
class RememberingCrypto final : public vork::Crypto {
public:
    using Bytes = vork::Bytes;
    using ByteView = vork::ByteView;
    std::optional<Bytes> sha256(ByteView data) override { return library_.sha256(data); }
    std::optional<Bytes> hmacSha256(ByteView key, ByteView data) override { return library_.hmacSha256(key, data); }
    std::optional<Bytes> sealAesGcm(ByteView key, ByteView nonce, ByteView plain, ByteView aad) override {
        return library_.sealAesGcm(key, nonce, plain, aad);
    }
    std::optional<Bytes> openAesGcm(ByteView key, ByteView nonce, ByteView sealed, ByteView aad) override {
        return library_.openAesGcm(key, nonce, sealed, aad);
    }
    std::optional<Bytes> p256Reduce(ByteView number) override { return library_.p256Reduce(number); }
    std::optional<Bytes> p256Negate(ByteView scalar) override { return library_.p256Negate(scalar); }
    std::optional<Bytes> p256Combine(ByteView a, ByteView p, ByteView b, ByteView q) override {
        std::string key;
        for (const ByteView part : {a, p, b, q}) key.append(reinterpret_cast<const char*>(part.data()), part.size()).push_back('|');
        const auto known = answers_.find(key);
        if (known != answers_.end()) return known->second;
        std::optional<Bytes> answer = library_.p256Combine(a, p, b, q);
        if (answers_.size() > 100000) answers_.clear();
        answers_.emplace(std::move(key), answer);
        return answer;
    }

private:
    vork::GcryptCrypto library_;
    std::map<std::string, std::optional<Bytes>> answers_;
};

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
    static RememberingCrypto crypto;
    TrustedDevices trusted;
    PairingOffers offers(random);
    WebLink link(mailbox, state, random, trusted, crypto, offers);

    std::uint64_t now = 0;
    // Each handshake costs a few curve multiplications: an input gets a few.
    constexpr int PAGES_AN_INPUT = 4;
    // The paired page: through the handshake by the offer's secret, or back
    // with the key it holds now.
    std::unique_ptr<WebSession> paired;
    std::optional<test::PageModel> model;
    std::string browser;
    std::uint64_t keyNumber = 0;
    Bytes key;
    int pages = 0;
    // Opens Vork's sealed replies in order, taking a new key as the page does.
    const auto take = [&](const std::vector<std::string>& replies) {
        for (const std::string& reply : replies) {
            const std::optional<std::string> opened = model->open(reply);
            if (!opened) violated("a reply did not open");
            if (opened->starts_with("paired ")) {
                browser = opened->substr(7, 2 * BROWSER_ID_BYTES);
                keyNumber = 1;
                key = fromHex(opened->substr(10 + 2 * BROWSER_ID_BYTES)).value_or(Bytes{});
            }
            if (opened->starts_with("rekey ")) {
                const std::size_t space = opened->find(' ', 6);
                keyNumber = std::stoull(opened->substr(6, space - 6));
                key = fromHex(opened->substr(space + 1)).value_or(Bytes{});
                paired->receive(model->seal("rekeyed " + std::to_string(keyNumber)), now);
            }
            if (*opened == "forgotten") browser.clear();
        }
    };
    const auto openPage = [&](bool remembered) {
        // From an address of its own: the last one may be waiting after a refusal.
        ++pages;
        paired = std::make_unique<WebSession>(link, "10.1." + std::to_string(pages / 250) + "." + std::to_string(pages % 250), now);
        model.emplace(crypto, Bytes(P256_SCALAR_BYTES, 7));
        const bool hello = remembered && !browser.empty();
        const PairingOffer* offer = hello ? nullptr : offers.renew(now);
        const auto share = paired->receive(hello ? model->hello(browser, keyNumber, key) : model->pair(offer->secret), now).replies;
        const std::string confirm = share.size() == 1 ? model->confirm(share[0]) : "";
        if (confirm.empty()) violated(hello ? "a remembered browser's latest key was refused" : "a fresh page could not pair");
        take(paired->receive(confirm, now).replies);
        if (!hello) take(paired->receive(model->seal("name Fuzz"), now).replies);
    };
    openPage(false);
    auto stranger = std::make_unique<WebSession>(link, "10.0.0.2", now);
    int strangers = 0;
    notifier.clear();

    fuzz::PieceReader reader(data, size);
    fuzz::Piece piece;
    while (reader.next(piece)) {
        // Control bits: 0x01 the stranger, else the paired page; 0x02 that page
        // closes and a new one opens (pairing afresh, or with 0x08 coming back
        // with its key); 0x04 the paired page gets the bytes unsealed; 0x10 a
        // second and a half pass (else 10 ms).
        now += (piece.control & 0x10) != 0 ? 1500 : 10;
        const std::string bytes(piece.bytes.substr(0, WEB_MESSAGE_LIMIT));
        if ((piece.control & 0x01) != 0) {
            if ((piece.control & 0x02) != 0 && ++strangers <= PAGES_AN_INPUT)
                stranger = std::make_unique<WebSession>(link, "10.0.0.2", now);
            notifier.clear();
            stranger->receive(bytes, now);
            stranger->wake(now);
            for (const EventQueue posted : notifier.wakes())
                if (posted == EventQueue::Page || posted == EventQueue::Status)
                    violated("a page not through the handshake reached the window");
            continue;
        }
        if (paired->over() && pages >= PAGES_AN_INPUT) break;
        if (((piece.control & 0x02) != 0 && pages < PAGES_AN_INPUT) || paired->over()) {
            paired->closed();
            openPage((piece.control & 0x08) != 0);
        }
        notifier.clear();
        const bool raw = (piece.control & 0x04) != 0;
        const auto outcome = paired->receive(raw ? bytes : model->seal(bytes), now);
        if (raw) {
            if (!paired->over()) violated("an unsealed frame did not end a sealed page");
            for (const EventQueue posted : notifier.wakes())
                if (posted == EventQueue::Page) violated("an unsealed frame reached the window");
            continue;
        }
        if (!outcome.close) take(outcome.replies);
        take(paired->wake(now).replies);
    }
    return 0;
}
