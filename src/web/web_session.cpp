#include "web/web_session.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "input/media_keys.h"
#include "input/typed_text.h"
#include "link/phone_protocol.h"
#include "web/page_keys.h"
#include "web/words.h"

namespace vork {

namespace {

constexpr std::string_view NAMELESS_BROWSER = "Browser";

// The commands that start an action running until the finger lifts.
constexpr std::array<std::string_view, 6> HOLDING_COMMANDS = {"D:2", "D:8", "D:U", "D:D", "D:L", "D:R"};

bool printableAscii(char c) { return c >= 0x20 && c <= 0x7E; }

// The window shows names in the ANSI code page: printable ASCII only, trimmed.
std::string shownName(std::string_view asked) {
    std::string name;
    for (const char c : asked)
        if (printableAscii(c) && name.size() < WEB_NAME_LIMIT) name.push_back(c);
    const auto notSpace = [](char c) { return c != ' '; };
    name.erase(name.begin(), std::find_if(name.begin(), name.end(), notSpace));
    name.erase(std::find_if(name.rbegin(), name.rend(), notSpace).base(), name.end());
    return name.empty() ? std::string(NAMELESS_BROWSER) : name;
}

std::optional<std::int32_t> number(std::string_view text, std::int32_t limit) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < -limit || value > limit)
        return std::nullopt;
    return value;
}

// A nonce of the page's: exactly LINK_NONCE_BYTES in hex.
std::optional<Bytes> nonceOf(std::string_view hex) {
    std::optional<Bytes> nonce = fromHex(hex);
    if (!nonce || nonce->size() != LINK_NONCE_BYTES) return std::nullopt;
    return nonce;
}

WebSession::Outcome plain(std::string text, bool close = false) { return {{std::move(text)}, close}; }

}  // namespace

WebSession::Outcome WebSession::receive(std::string_view message, std::uint64_t nowMs) {
    if (over_) return {};
    lastMessageMs_ = nowMs;
    if (channel_) return sealed(message, nowMs);
    const auto [word, rest] = firstWord(message);
    if (stage_ == Stage::Start) return start(word, rest, nowMs);
    if (word == "answer") return answer(rest, nowMs);
    return refuse(nowMs);
}

WebSession::Outcome WebSession::start(std::string_view word, std::string_view rest, std::uint64_t nowMs) {
    // An address that failed a moment ago is not heard: no code can be tried quickly.
    if (link_.failures.refused(peerKey_, nowMs)) return finish(plain("unknown", true));
    std::optional<Bytes> pageNonce;
    const PairingOffer* offer = nullptr;
    if (word == "pair") {
        pageNonce = nonceOf(rest);
        offer = link_.offers.current(nowMs);
        if (!pageNonce) return refuse(nowMs);
        // Nothing is on the PC's screen to pair with.
        if (!offer) return finish(plain("nooffer", true));
        candidates_ = {offer->qrKey, offer->codeKey};
        pairing_ = true;
    } else if (word == "hello") {
        const auto [id, nonce] = firstWord(rest);
        pageNonce = nonceOf(nonce);
        const std::optional<TrustedDevice> browser = link_.trusted.browser(id);
        const std::optional<Bytes> key = browser ? fromHex(browser->key) : std::nullopt;
        // Forgotten, or never paired: the page offers to pair again.
        if (!pageNonce || !key) return finish(plain("unknown", true));
        browserId_ = std::string(id);
        name_ = browser->name;
        candidates_ = {*key};
    } else {
        return refuse(nowMs);
    }
    pageNonce_ = std::move(*pageNonce);
    pcNonce_.assign(LINK_NONCE_BYTES, 0);
    if (!link_.random.fill(pcNonce_)) return finish(plain("unknown", true));
    stage_ = Stage::Challenged;
    std::string challenge = "challenge " + toHex(pcNonce_);
    if (offer) challenge.append(" ").append(toHex(offer->salt));
    return plain(std::move(challenge));
}

WebSession::Outcome WebSession::answer(std::string_view proof, std::uint64_t nowMs) {
    const std::optional<Bytes> given = fromHex(proof);
    const Bytes* secret = nullptr;
    for (const Bytes& candidate : candidates_) {
        const std::optional<Bytes> expected =
            handshakeProof(link_.crypto, candidate, PAGE_SIDE, pageNonce_, pcNonce_, browserId_);
        const auto text = [](const Bytes& bytes) { return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()); };
        if (given && expected && equalInConstantTime(text(*given), text(*expected)) && !secret) secret = &candidate;
    }
    if (!secret) {
        if (pairing_) link_.offers.failedTry(nowMs);
        return refuse(nowMs);
    }
    const std::optional<Bytes> proofOfPc =
        handshakeProof(link_.crypto, *secret, PC_SIDE, pageNonce_, pcNonce_, browserId_);
    const std::optional<ChannelKeys> keys = channelKeys(link_.crypto, *secret, pageNonce_, pcNonce_);
    if (!proofOfPc || !keys) return finish(plain("unknown", true));
    channel_.emplace(link_.crypto, keys->pcToPage, keys->pageToPc);
    candidates_.clear();
    link_.failures.forgive(peerKey_);
    Outcome outcome = plain("verified " + toHex(*proofOfPc));
    if (pairing_) {
        // The offer's secret has done its work: nobody else pairs with it.
        link_.offers.used();
        stage_ = Stage::Naming;
        return outcome;
    }
    link_.trusted.browserSeen(browserId_);
    stage_ = Stage::Paired;
    Outcome greeting = reply({"connected " + name_});
    greeting.replies.insert(greeting.replies.begin(), outcome.replies.front());
    connected();
    return greeting;
}

WebSession::Outcome WebSession::sealed(std::string_view frame, std::uint64_t nowMs) {
    const std::optional<std::string> message = frame.size() <= WEB_FRAME_LIMIT ? channel_->open(frame) : std::nullopt;
    // Forged, replayed, reordered or cut: the connection is over.
    if (!message) return refuse(nowMs);
    const auto [word, rest] = firstWord(*message);
    if (stage_ == Stage::Naming) return word == "name" ? name(rest) : refuse(nowMs);
    if (word == "beat") {
        // The window keeps a held key going only while its page shows signs of life.
        if (holding_) link_.mailbox.publishWebInput(WebInput{WebInput::Kind::Beat, {}, 0, 0, id_});
        return {};
    }
    return paired(word, rest);
}

WebSession::Outcome WebSession::name(std::string_view asked) {
    name_ = shownName(asked);
    Bytes id(BROWSER_ID_BYTES);
    Bytes key(BROWSER_KEY_BYTES);
    if (!link_.random.fill(id) || !link_.random.fill(key)) return finish(plain("unknown", true));
    browserId_ = toHex(id);
    link_.trusted.trustBrowser(name_, browserId_, toHex(key));
    stage_ = Stage::Paired;
    connected();
    return reply({"paired " + browserId_ + " " + toHex(key), "connected " + name_});
}

WebSession::Outcome WebSession::paired(std::string_view word, std::string_view rest) {
    if (word == "key") {
        if (rest.empty() || rest.size() > WEB_COMMAND_LIMIT || !std::all_of(rest.begin(), rest.end(), printableAscii))
            return reply({"error bad key"});
        Outcome outcome;
        if (rest == FORGET_COMMAND) {
            link_.trusted.forgetBrowser(browserId_);
            outcome = reply({"forgotten"});
        }
        // Any command ends a held action; a holding one starts this page's.
        publish(WebInput{WebInput::Kind::Command, std::string(rest), 0, 0, id_},
                std::find(HOLDING_COMMANDS.begin(), HOLDING_COMMANDS.end(), rest) != HOLDING_COMMANDS.end());
        return outcome;
    }
    if (word == "text") return typed(rest);
    if (word == "press") {
        std::optional<std::string> keys = pressedKeys(rest);
        if (!keys) return reply({"error bad press"});
        publish(WebInput{WebInput::Kind::Press, std::move(*keys), 0, 0, id_});
        return {};
    }
    if (word == "media") {
        const std::optional<MediaKey> key = mediaKeyNamed(rest);
        if (!key) return reply({"error bad media"});
        const bool volume = *key == MediaKey::VolumeUp || *key == MediaKey::VolumeDown;
        publish(WebInput{WebInput::Kind::Media, {}, static_cast<std::int32_t>(*key), 0, id_}, volume);
        return {};
    }
    if (word == "visible" && (rest == "0" || rest == "1")) {
        link_.mailbox.publishWebInput(WebInput{WebInput::Kind::Visible, {}, rest == "1" ? 1 : 0, 0, id_});
        return {};
    }
    if (word == "move") {
        const auto [x, y] = firstWord(rest);
        const auto dx = number(x, WEB_MOVE_LIMIT);
        const auto dy = number(y, WEB_MOVE_LIMIT);
        if (!dx || !dy) return reply({"error bad move"});
        link_.mailbox.publishWebInput(WebInput{WebInput::Kind::Move, {}, *dx, *dy, id_});
        return {};
    }
    if (word == "scroll") {
        const auto amount = number(rest, WEB_SCROLL_LIMIT);
        if (!amount) return reply({"error bad scroll"});
        link_.mailbox.publishWebInput(WebInput{WebInput::Kind::Scroll, {}, 0, *amount, id_});
        return {};
    }
    if (word == "click" && (rest == "left" || rest == "right")) {
        const auto kind = rest == "left" ? WebInput::Kind::LeftClick : WebInput::Kind::RightClick;
        link_.mailbox.publishWebInput(WebInput{kind, {}, 0, 0, id_});
        return {};
    }
    if (word == "release") {
        release();
        return {};
    }
    return reply({"error unknown message"});
}

WebSession::Outcome WebSession::typed(std::string_view rest) {
    const auto [count, text] = firstWord(rest);
    const std::optional<std::int32_t> deletions = number(count, WEB_TEXT_LIMIT);
    const std::optional<TypedText> decoded = decodeTypedText(text);
    if (!deletions || *deletions < 0 || !decoded || decoded->characters > static_cast<std::size_t>(WEB_TEXT_LIMIT))
        return reply({"error bad text"});
    if (*deletions == 0 && text.empty()) return {};
    // Typing that cannot reach the window is said to be lost, so the page
    // starts its line again instead of typing on from a text the window never got.
    if (!link_.mailbox.publishWebInput(WebInput{WebInput::Kind::Text, std::string(text), *deletions, 0, id_}))
        return reply({"error text lost"});
    holding_ = false;
    return {};
}

void WebSession::publish(const WebInput& input, bool holds) {
    link_.mailbox.publishWebInput(input);
    holding_ = holds;
}

WebSession::Outcome WebSession::fromWindow(std::string_view text) {
    if (over_ || stage_ != Stage::Paired || !channel_) return {};
    return reply({text});
}

WebSession::Outcome WebSession::wake(std::uint64_t nowMs) {
    if (over_) return {};
    if (stage_ != Stage::Paired) {
        if (nowMs - openedAtMs_ >= link_.unpairedLimitMs) return finish(plain("unknown", true));
        return {};
    }
    if (holding_ && nowMs - lastMessageMs_ >= HOLD_SILENCE_MS) release();
    return {};
}

std::optional<std::uint64_t> WebSession::nextWake() const {
    if (over_) return std::nullopt;
    if (stage_ != Stage::Paired) return openedAtMs_ + link_.unpairedLimitMs;
    return holding_ ? std::optional(lastMessageMs_ + HOLD_SILENCE_MS) : std::nullopt;
}

void WebSession::closed() {
    // Only this page's own held action stops, and the window no longer counts it as connected.
    if (holding_ || shownConnected_) link_.mailbox.publishDeparture(id_);
    holding_ = false;
    shownConnected_ = false;
    over_ = true;
}

WebSession::Outcome WebSession::refuse(std::uint64_t nowMs) {
    link_.failures.penalise(peerKey_, nowMs);
    // What went wrong is not said: a guesser learns nothing from it.
    return finish(plain("unknown", true));
}

WebSession::Outcome WebSession::finish(Outcome outcome) {
    over_ = outcome.close;
    return outcome;
}

WebSession::Outcome WebSession::reply(std::initializer_list<std::string_view> texts) {
    Outcome outcome;
    for (const std::string_view text : texts) {
        std::optional<std::string> sealedText = channel_->seal(text);
        if (!sealedText) return finish({{}, true});
        outcome.replies.push_back(std::move(*sealedText));
    }
    return outcome;
}

void WebSession::connected() {
    // As for a remembered phone: the window shows it connected, nobody is asked.
    link_.mailbox.publishStatus(LinkOrigin{LinkKind::Browser, id_}, CONNECTED_STATUS, name_);
    shownConnected_ = true;
    // A page connects in view: the window sends it the keypad's labels.
    link_.mailbox.publishWebInput(WebInput{WebInput::Kind::Visible, {}, 1, 0, id_});
}

void WebSession::release() {
    if (holding_) link_.mailbox.publishRelease(id_);
    holding_ = false;
}

}  // namespace vork
