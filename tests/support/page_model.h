// The remote page's side of the browser link, written again for the tests:
// it pairs (by the offer's secret or its code) or says hello with its key,
// runs SPAKE2 as the page does, checks Vork's confirmation, and seals and
// opens messages as the page does.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "web/pairing_offer.h"
#include "web/secure_channel.h"
#include "web/spake2.h"
#include "web/words.h"

namespace vork::test {

class PageModel {
public:
    // x: the page's ephemeral scalar (32 bytes below the group's order).
    PageModel(Crypto& crypto, Bytes x) : crypto_(crypto), x_(std::move(x)) {}

    // "pair qr|code SHARE": the QR code's secret, or the code as typed.
    std::string pair(LinkMode mode, ByteView secret) {
        mode_ = mode;
        id_.clear();
        const std::string normal = mode == LinkMode::Code ? normalisedCode(std::string_view(
                                                                reinterpret_cast<const char*>(secret.data()), secret.size()))
                                                          : std::string();
        return "pair " + std::string(linkModeName(mode)) + " " +
               begin(mode == LinkMode::Code ? bytesOf(normal) : secret);
    }
    std::string pair(const Bytes& qrSecret) { return pair(LinkMode::Qr, qrSecret); }
    std::string pairByCode(std::string_view typed) { return pair(LinkMode::Code, bytesOf(typed)); }
    std::string hello(std::string_view id, std::uint64_t number, const Bytes& key) {
        mode_ = LinkMode::Key;
        id_ = std::string(id);
        number_ = number;
        return "hello " + id_ + " " + std::to_string(number) + " " + begin(key);
    }
    // The answer to "share COUNTER SHARE MAC": "confirm MAC" once Vork has
    // proved it holds the password too, the channel then sealed; empty when
    // it did not.
    std::string confirm(std::string_view reply) {
        const auto [word, rest] = firstWord(reply);
        const auto [counter, shareAndMac] = firstWord(rest);
        const auto [share, mac] = firstWord(shareAndMac);
        const std::optional<Bytes> pcShare = fromHex(share);
        if (word != "share" || !spake_ || !pcShare) return {};
        if (mode_ == LinkMode::Key && counter != std::to_string(number_)) return {};
        const Bytes context = handshakeContext(mode_, id_, std::stoull(std::string(counter)));
        const std::optional<Spake2Keys> keys = spake_->finish(*pcShare, context);
        if (!keys || mac != toHex(keys->confirmationB)) return {};
        const std::optional<ChannelKeys> channel = channelKeys(crypto_, keys->sharedKey, context, pageShare_, *pcShare);
        if (!channel) return {};
        channel_.emplace(crypto_, channel->pageToPc, channel->pcToPage);
        return "confirm " + toHex(keys->confirmationA);
    }
    std::string seal(std::string_view text) { return channel_ ? channel_->seal(text).value_or("") : ""; }
    std::optional<std::string> open(std::string_view hex) { return channel_ ? channel_->open(hex) : std::nullopt; }

private:
    std::string begin(ByteView password) {
        std::optional<Bytes> w = linkPassword(crypto_, mode_, password);
        spake_ = w ? Spake2::start(crypto_, Spake2Role::A, std::move(*w), x_, PAGE_IDENTITY, PC_IDENTITY) : std::nullopt;
        pageShare_ = spake_ ? spake_->share() : Bytes{};
        return toHex(pageShare_);
    }

    Crypto& crypto_;
    Bytes x_;
    LinkMode mode_ = LinkMode::Key;
    std::string id_;
    std::uint64_t number_ = 0;
    std::optional<Spake2> spake_;
    Bytes pageShare_;
    std::optional<SealedChannel> channel_;
};

}  // namespace vork::test
