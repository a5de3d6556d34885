// The two halves of an exchange between Vork's code and the page's.
//   page_vectors write   prints, as JSON, what Vork's own code makes of fixed
//                        inputs: the passwords' scalars, SPAKE2 in both roles,
//                        the connection's keys, padded and sealed messages, and
//                        a whole pairing as WebSession answers it;
//   page_vectors check F reads what the page's code made, as the page, of
//                        Vork's share (F, written by the node test) and checks
//                        it as Vork would: the page's confirmation, then its
//                        sealed message.
// So the two sides cannot drift apart, in either direction.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "counting_random.h"
#include "page_model.h"
#include "platform/gcrypt/gcrypt_crypto.h"
#include "recording_notifier.h"
#include "web/web_session.h"

namespace {

using namespace vork;

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

const Bytes SECRET = fromHex("000102030405060708090a0b0c0d0e0f").value();
const Bytes KEY = fromHex("a0a1a2a3a4a5a6a7a8a9aaabacadaeafb0b1b2b3b4b5b6b7b8b9babbbcbdbebf").value();
constexpr std::string_view BROWSER = "00112233445566778899aabbccddeeff";
// Vork's scalar in the exchange the page answers.
const Bytes Y = Bytes(P256_SCALAR_BYTES, 0x3C);

std::optional<Spake2> vorkSide(GcryptCrypto& crypto) {
    return Spake2::start(crypto, Spake2Role::B, linkPassword(crypto, LinkMode::Key, KEY).value(), Y, PAGE_IDENTITY,
                         PC_IDENTITY);
}

int write() {
    GcryptCrypto crypto;
    const Bytes x(P256_SCALAR_BYTES, 0x11);
    const Bytes y(P256_SCALAR_BYTES, 0x22);
    const Bytes w = linkPassword(crypto, LinkMode::Qr, SECRET).value();
    const Bytes context = handshakeContext(LinkMode::Qr, "", 7);
    std::optional<Spake2> a = Spake2::start(crypto, Spake2Role::A, w, x, PAGE_IDENTITY, PC_IDENTITY);
    std::optional<Spake2> b = Spake2::start(crypto, Spake2Role::B, w, y, PAGE_IDENTITY, PC_IDENTITY);
    const Bytes pageShare = a->share();
    const Bytes pcShare = b->share();
    const Spake2Keys keys = b->finish(pageShare, context).value();
    const ChannelKeys channel = channelKeys(crypto, keys.sharedKey, context, pageShare, pcShare).value();

    std::printf("{\n");
    std::printf("  \"secret\": %s, \"key\": %s, \"browser\": %s, \"code\": \"abcd-efgh\",\n", quoted(toHex(SECRET)).c_str(),
                quoted(toHex(KEY)).c_str(), quoted(BROWSER).c_str());
    std::printf("  \"w\": {\"qr\": %s, \"code\": %s, \"key\": %s},\n", quoted(toHex(w)).c_str(),
                quoted(toHex(linkPassword(crypto, LinkMode::Code, bytesOf("ABCDEFGH")).value())).c_str(),
                quoted(toHex(linkPassword(crypto, LinkMode::Key, KEY).value())).c_str());
    std::printf("  \"context\": %s, \"helloContext\": %s,\n", quoted(toHex(context)).c_str(),
                quoted(toHex(handshakeContext(LinkMode::Key, BROWSER, 3))).c_str());
    std::printf("  \"x\": %s, \"y\": %s, \"pageShare\": %s, \"pcShare\": %s,\n", quoted(toHex(x)).c_str(),
                quoted(toHex(y)).c_str(), quoted(toHex(pageShare)).c_str(), quoted(toHex(pcShare)).c_str());
    std::printf("  \"sharedKey\": %s, \"confirmationA\": %s, \"confirmationB\": %s,\n",
                quoted(toHex(keys.sharedKey)).c_str(), quoted(toHex(keys.confirmationA)).c_str(),
                quoted(toHex(keys.confirmationB)).c_str());
    std::printf("  \"pageToPc\": %s, \"pcToPage\": %s,\n", quoted(toHex(channel.pageToPc)).c_str(),
                quoted(toHex(channel.pcToPage)).c_str());
    // Messages in a row, of sizes either side of the padding's steps: the
    // counter makes each different, the padding hides their lengths.
    SealedChannel sealer(crypto, channel.pageToPc, channel.pcToPage);
    const std::string long47(47, 'a');
    const std::string long48(48, 'b');
    std::printf("  \"sealed\": [%s, %s, %s, %s, %s],\n", quoted(sealer.seal("key D:1").value()).c_str(),
                quoted(sealer.seal("").value()).c_str(), quoted(sealer.seal("h\xc3\xa9llo \xe2\x9c\x93").value()).c_str(),
                quoted(sealer.seal(long47).value()).c_str(), quoted(sealer.seal(long48).value()).c_str());

    // A whole pairing by the QR secret, as Vork's WebSession answers it.
    test::RecordingNotifier notifier;
    UiMailbox mailbox(notifier);
    ConnectionState state;
    test::CountingRandom random;
    TrustedDevices trusted;
    PairingOffers offers(random);
    const PairingOffer* offer = offers.renew(0);
    const Bytes offerSecret = offer->secret;
    WebLink link(mailbox, state, random, trusted, crypto, offers);
    WebSession session(link, "10.0.0.1", 0);
    test::PageModel page(crypto, x);
    const std::string opening = page.pair(offerSecret);
    const std::string share = session.receive(opening, 0).replies.at(0);
    const std::string confirm = page.confirm(share);
    session.receive(confirm, 0);
    const std::string name = page.seal("name Pixel 7");
    const auto named = session.receive(name, 0).replies;
    std::printf("  \"pairing\": {\"secret\": %s, \"opening\": %s, \"share\": %s, \"confirm\": %s, \"name\": %s,\n",
                quoted(toHex(offerSecret)).c_str(), quoted(opening).c_str(), quoted(share).c_str(),
                quoted(confirm).c_str(), quoted(name).c_str());
    std::printf("              \"replies\": [%s, %s], \"opened\": [%s, %s]},\n", quoted(named.at(0)).c_str(),
                quoted(named.at(1)).c_str(), quoted(page.open(named.at(0)).value()).c_str(),
                quoted(page.open(named.at(1)).value()).c_str());
    // A remembered browser back with its key, then forgotten at its own request: Vork's replies.
    TrustedDevices remembered;
    remembered.trustBrowser("Pixel 7", BROWSER, toHex(KEY));
    WebLink returning(mailbox, state, random, remembered, crypto, offers);
    WebSession back(returning, "10.0.0.2", 0);
    test::PageModel browser(crypto, x);
    const std::string hello = browser.hello(BROWSER, 1, KEY);
    const std::string backShare = back.receive(hello, 0).replies.at(0);
    const auto greeting = back.receive(browser.confirm(backShare), 0).replies;
    const auto forgotten = back.receive(browser.seal("key U:X"), 0).replies;
    std::printf("  \"returning\": {\"hello\": %s, \"share\": %s, \"greeting\": [%s, %s], \"forgotten\": %s},\n",
                quoted(hello).c_str(), quoted(backShare).c_str(), quoted(greeting.at(0)).c_str(),
                quoted(greeting.at(1)).c_str(), quoted(forgotten.at(0)).c_str());
    // The share the page answers in the other half, as a remembered browser.
    std::printf("  \"answerThis\": %s\n}\n", quoted(toHex(vorkSide(crypto)->share())).c_str());
    return 0;
}

// "FIELD": "VALUE" out of the page's flat JSON.
std::string field(const std::string& json, std::string_view name) {
    const std::string key = "\"" + std::string(name) + "\":\"";
    const std::size_t start = json.find(key);
    if (start == std::string::npos) return {};
    const std::size_t end = json.find('"', start + key.size());
    return json.substr(start + key.size(), end - start - key.size());
}

int check(const char* path) {
    std::ifstream in(path);
    const std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    GcryptCrypto crypto;
    const Bytes context = handshakeContext(LinkMode::Key, BROWSER, 3);
    const std::optional<Bytes> pageShare = fromHex(field(json, "pageShare"));
    std::optional<Spake2> vork = vorkSide(crypto);
    const std::optional<Spake2Keys> keys = pageShare && vork ? vork->finish(*pageShare, context) : std::nullopt;
    if (!keys || toHex(keys->confirmationA) != field(json, "confirm")) {
        std::fprintf(stderr, "the page's confirmation is not the one Vork expects\n");
        return 1;
    }
    const std::optional<ChannelKeys> channel = channelKeys(crypto, keys->sharedKey, context, *pageShare, vork->share());
    SealedChannel pc(crypto, channel->pcToPage, channel->pageToPc);
    const std::optional<std::string> opened = pc.open(field(json, "sealed"));
    if (opened != "key D:1") {
        std::fprintf(stderr, "the page's sealed message did not open as \"key D:1\"\n");
        return 1;
    }
    std::printf("Vork accepts the page's half of the exchange\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "write") return write();
    if (argc == 3 && std::string_view(argv[1]) == "check") return check(argv[2]);
    std::fprintf(stderr, "usage: page_vectors write | page_vectors check FILE\n");
    return 2;
}
