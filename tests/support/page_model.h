// The remote page's side of the browser link, written again for the tests:
// it pairs (by the offer's secret or its code) or says hello with its key,
// checks Vork's proof, and seals and opens messages as the page does.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "web/pairing_offer.h"
#include "web/secure_channel.h"

namespace vork::test {

class PageModel {
public:
    PageModel(Crypto& crypto, Bytes nonce) : crypto_(crypto), nonce_(std::move(nonce)) {}

    [[nodiscard]] std::string pair() const { return "pair " + toHex(nonce_); }
    std::string hello(std::string_view id, const Bytes& key) {
        id_ = std::string(id);
        secret_ = key;
        return "hello " + id_ + " " + toHex(nonce_);
    }
    // The answer to "challenge PCNONCE [SALT]": with the browser's key, or
    // while pairing with the offer's secret (qrSecret) or its typed code.
    std::string answer(std::string_view challenge, std::optional<Bytes> qrSecret = {}, std::string_view code = {},
                       std::uint32_t iterations = CODE_ITERATIONS) {
        if (!challenge.starts_with("challenge ")) return "answer";
        const std::size_t space = challenge.find(' ', 10);
        pcNonce_ = fromHex(challenge.substr(10, space == std::string_view::npos ? space : space - 10)).value_or(Bytes{});
        if (space != std::string_view::npos) {
            const Bytes salt = fromHex(challenge.substr(space + 1)).value_or(Bytes{});
            secret_ = qrSecret ? qrPairingKey(crypto_, *qrSecret, salt).value_or(Bytes{})
                               : codePairingKey(crypto_, code, salt, iterations).value_or(Bytes{});
        }
        return "answer " + toHex(handshakeProof(crypto_, secret_, PAGE_SIDE, nonce_, pcNonce_, id_).value_or(Bytes{}));
    }
    // Whether "verified PROOF" proves Vork holds the secret; the channel is then sealed.
    bool verified(std::string_view reply) {
        const std::optional<Bytes> proof = handshakeProof(crypto_, secret_, PC_SIDE, nonce_, pcNonce_, id_);
        if (!proof || reply != "verified " + toHex(*proof)) return false;
        const std::optional<ChannelKeys> keys = channelKeys(crypto_, secret_, nonce_, pcNonce_);
        if (!keys) return false;
        channel_.emplace(crypto_, keys->pageToPc, keys->pcToPage);
        return true;
    }
    std::string seal(std::string_view text) { return channel_ ? channel_->seal(text).value_or("") : ""; }
    std::optional<std::string> open(std::string_view hex) { return channel_ ? channel_->open(hex) : std::nullopt; }

private:
    Crypto& crypto_;
    Bytes nonce_;
    Bytes pcNonce_;
    Bytes secret_;
    std::string id_;
    std::optional<SealedChannel> channel_;
};

}  // namespace vork::test
