// Writes, as JSON, what Vork's own code makes of fixed inputs: the key
// derivations, the handshake's proofs, sealed messages, and a whole pairing
// as WebSession answers it. The page's code is tested against these (with
// node's test runner), so the two sides cannot drift apart.
#include <cstdio>
#include <string>

#include "counting_random.h"
#include "openssl_crypto.h"
#include "page_model.h"
#include "recording_notifier.h"
#include "web/web_session.h"

namespace {

using namespace vork;

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

int main() {
    test::OpenSslCrypto crypto;
    const Bytes secret = fromHex("000102030405060708090a0b0c0d0e0f").value();
    const Bytes salt = fromHex("f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff").value();
    const Bytes pageNonce(LINK_NONCE_BYTES, 0xAB);
    const Bytes pcNonce(LINK_NONCE_BYTES, 0xCD);
    constexpr std::uint32_t ITERATIONS = 1000;
    const Bytes qr = qrPairingKey(crypto, secret, salt).value();
    const Bytes code = codePairingKey(crypto, "abcde-fghjk", salt, ITERATIONS).value();
    const ChannelKeys keys = channelKeys(crypto, qr, pageNonce, pcNonce).value();

    std::printf("{\n");
    std::printf("  \"secret\": %s, \"salt\": %s, \"pageNonce\": %s, \"pcNonce\": %s, \"iterations\": %u,\n",
                quoted(toHex(secret)).c_str(), quoted(toHex(salt)).c_str(), quoted(toHex(pageNonce)).c_str(),
                quoted(toHex(pcNonce)).c_str(), ITERATIONS);
    std::printf("  \"qrKey\": %s, \"code\": \"abcde-fghjk\", \"codeKey\": %s,\n", quoted(toHex(qr)).c_str(),
                quoted(toHex(code)).c_str());
    std::printf("  \"pageProof\": %s, \"pcProof\": %s,\n",
                quoted(toHex(handshakeProof(crypto, qr, PAGE_SIDE, pageNonce, pcNonce, "").value())).c_str(),
                quoted(toHex(handshakeProof(crypto, qr, PC_SIDE, pageNonce, pcNonce, "0a0b").value())).c_str());
    std::printf("  \"pageToPc\": %s, \"pcToPage\": %s,\n", quoted(toHex(keys.pageToPc)).c_str(),
                quoted(toHex(keys.pcToPage)).c_str());
    // Three messages in a row: the counter makes each different.
    SealedChannel channel(crypto, keys.pageToPc, keys.pcToPage);
    std::printf("  \"sealed\": [%s, %s, %s],\n", quoted(channel.seal("key D:1").value()).c_str(),
                quoted(channel.seal("").value()).c_str(), quoted(channel.seal("h\xc3\xa9llo \xe2\x9c\x93").value()).c_str());

    // A whole pairing by the QR secret, as Vork's WebSession answers it.
    test::RecordingNotifier notifier;
    UiMailbox mailbox(notifier);
    ConnectionState state;
    test::CountingRandom random;
    TrustedDevices trusted;
    PairingOffers offers(crypto, random, ITERATIONS);
    const PairingOffer* offer = offers.renew(0);
    const Bytes offerSecret = offer->secret;
    WebLink link(mailbox, state, random, trusted, crypto, offers);
    WebSession session(link, "10.0.0.1", 0);
    test::PageModel page(crypto, pageNonce);
    const std::string challenge = session.receive(page.pair(), 0).replies.at(0);
    const std::string answer = page.answer(challenge, offerSecret);
    const std::string verified = session.receive(answer, 0).replies.at(0);
    page.verified(verified);
    const std::string name = page.seal("name Pixel 7");
    const auto named = session.receive(name, 0).replies;
    std::printf("  \"pairing\": {\"secret\": %s, \"challenge\": %s, \"answer\": %s, \"verified\": %s, \"name\": %s,\n",
                quoted(toHex(offerSecret)).c_str(), quoted(challenge).c_str(), quoted(answer).c_str(),
                quoted(verified).c_str(), quoted(name).c_str());
    std::printf("              \"replies\": [%s, %s], \"opened\": [%s, %s]}\n}\n", quoted(named.at(0)).c_str(),
                quoted(named.at(1)).c_str(), quoted(page.open(named.at(0)).value()).c_str(),
                quoted(page.open(named.at(1)).value()).c_str());
    return 0;
}
