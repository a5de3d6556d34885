#include "web/web_session.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

#include "input/media_keys.h"
#include "input/typed_text.h"
#include "page_protocol.h"
#include "web/page_keys.h"
#include "web/words.h"

namespace vork {

namespace {

namespace to_vork = page_protocol::to_vork;
namespace to_page = page_protocol::to_page;

constexpr std::string_view NAMELESS_BROWSER = "Browser";

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

// A browser's id as Vork gives it: BROWSER_ID_BYTES in lower-case hex.
bool browserIdShape(std::string_view id) {
    return id.size() == 2 * BROWSER_ID_BYTES &&
           std::all_of(id.begin(), id.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::optional<std::uint64_t> counterOf(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0) return std::nullopt;
    return value;
}

WebSession::Outcome plain(std::string text, bool close = false) { return {{std::move(text)}, close}; }

std::string waitReply(std::uint64_t ms) { return "wait " + std::to_string((ms + 999) / 1000); }

void wipe(Bytes& bytes) {
    std::fill(bytes.begin(), bytes.end(), 0);
    bytes.clear();
}

// Each of `words` has one handler, in `handlers` or among the words handled
// `before` them, and no handler has any other word.
template <typename Handler, std::size_t H, std::size_t B, std::size_t W>
constexpr bool handlesExactly(const std::array<Handler, H>& handlers, const std::array<std::string_view, B>& before,
                              const std::array<std::string_view, W>& words) {
    if (H + B != W) return false;
    for (const std::string_view word : words) {
        std::size_t handled = 0;
        for (const Handler& handler : handlers) handled += handler.word == word ? 1 : 0;
        for (const std::string_view other : before) handled += other == word ? 1 : 0;
        if (handled != 1) return false;
    }
    return true;
}

}  // namespace

WebSession::Outcome WebSession::receive(std::string_view message, std::uint64_t nowMs) {
    if (over_) return {};
    lastMessageMs_ = nowMs;
    if (channel_) return sealed(message, nowMs);
    const auto [word, rest] = firstWord(message);
    if (stage_ == Stage::Start) return start(word, rest, nowMs);
    if (stage_ == Stage::Shared && word == to_vork::CONFIRM_WORD) return confirm(rest, nowMs);
    return refuse(nowMs);
}

bool WebSession::choosePassword(std::string_view word, std::string_view rest, std::uint64_t nowMs, Bytes& password,
                                std::string_view& share, Outcome& refusal) {
    if (word == to_vork::PAIR_WORD) {
        const auto [mode, shareText] = firstWord(rest);
        share = shareText;
        if (mode != "qr" && mode != "code") {
            refusal = refuse(nowMs);
            return false;
        }
        mode_ = mode == "qr" ? LinkMode::Qr : LinkMode::Code;
        const PairingOffer* offer = link_.offers.current(nowMs);
        // Nothing is on the PC's screen to pair with, or its code has had its tries.
        if (!offer || (mode_ == LinkMode::Code && !link_.offers.startCodeTry(offer->generation, nowMs))) {
            refusal = finish(plain("nooffer", true));
            return false;
        }
        counter_ = offer->generation;
        password = mode_ == LinkMode::Qr ? offer->secret : Bytes(offer->code.begin(), offer->code.end());
        link_.pairing[peerAddress_] = id_;
        return true;
    }
    if (word == to_vork::HELLO_WORD) {
        const auto [id, numberAndShare] = firstWord(rest);
        const auto [number, shareText] = firstWord(numberAndShare);
        share = shareText;
        const std::optional<std::uint64_t> keyNumber = counterOf(number);
        const BrowserKey key =
            browserIdShape(id) && keyNumber ? link_.trusted.browserKey(id, *keyNumber) : BrowserKey{};
        std::optional<Bytes> bytes = fromHex(key.key);
        // Forgotten, never paired, or a key Vork never gave: the page offers to pair again.
        if (key.standing == KeyStanding::Unknown || !bytes) {
            refusal = finish(plain("unknown", true));
            return false;
        }
        mode_ = LinkMode::Key;
        counter_ = *keyNumber;
        standing_ = key.standing;
        browserId_ = std::string(id);
        name_ = key.name;
        password = std::move(*bytes);
        return true;
    }
    refusal = refuse(nowMs);
    return false;
}

WebSession::Outcome WebSession::start(std::string_view word, std::string_view rest, std::uint64_t nowMs) {
    // An address that failed, or has a handshake under way, waits: it gets
    // one guess at a time, however many sockets it opens.
    if (const std::uint64_t wait = link_.failures.waitLeftMs(peerKey_, nowMs); wait > 0)
        return finish(plain(waitReply(wait), true));
    if (word == to_vork::PAIR_WORD) {
        const auto busy = link_.pairing.find(peerAddress_);
        if (busy != link_.pairing.end() && busy->second != id_) return finish(plain(waitReply(PAIRING_BUSY_WAIT_MS), true));
    }
    Bytes password;
    std::string_view shareHex;
    Outcome refusal;
    if (!choosePassword(word, rest, nowMs, password, shareHex, refusal)) return refusal;
    stage_ = Stage::Shared;
    const std::optional<Bytes> pageShare = fromHex(shareHex);
    std::optional<Bytes> w = linkPassword(link_.crypto, mode_, password);
    wipe(password);
    std::optional<Bytes> y = spake2RandomScalar(link_.crypto, link_.random);
    if (!pageShare || !w || !y) return refuse(nowMs);
    std::optional<Spake2> spake = Spake2::start(link_.crypto, Spake2Role::B, std::move(*w), std::move(*y),
                                                PAGE_IDENTITY, PC_IDENTITY);
    context_ = handshakeContext(mode_, browserId_, counter_);
    std::optional<Spake2Keys> keys = spake ? spake->finish(*pageShare, context_) : std::nullopt;
    // Not a point of the group, or one that cancels the password's mask.
    if (!keys) return refuse(nowMs);
    pageShare_ = *pageShare;
    pcShare_ = spake->share();
    sharedKey_ = std::move(keys->sharedKey);
    expectedConfirmation_ = std::move(keys->confirmationA);
    // Vork's confirmation lets the page check one guess: the address waits
    // as for a failure until the page's own confirmation shows it knew.
    link_.failures.penalise(peerKey_, nowMs);
    counted_ = true;
    return plain("share " + std::to_string(counter_) + " " + toHex(pcShare_) + " " + toHex(keys->confirmationB));
}

WebSession::Outcome WebSession::confirm(std::string_view mac, std::uint64_t nowMs) {
    const std::optional<Bytes> given = fromHex(mac);
    const auto text = [](const Bytes& bytes) {
        return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    };
    if (!given || !equalInConstantTime(text(*given), text(expectedConfirmation_))) return refuse(nowMs);
    const std::optional<ChannelKeys> keys = channelKeys(link_.crypto, sharedKey_, context_, pageShare_, pcShare_);
    wipe(sharedKey_);
    wipe(expectedConfirmation_);
    if (!keys) return finish(plain("unknown", true));
    channel_.emplace(link_.crypto, keys->pcToPage, keys->pageToPc);
    link_.failures.forgive(peerKey_);
    counted_ = false;
    if (mode_ != LinkMode::Key) {
        link_.pairing.erase(peerAddress_);
        // The offer pairs one browser, and only while it is in force.
        if (!link_.offers.take(counter_, nowMs)) return finish(plain("nooffer", true));
        stage_ = Stage::Naming;
        return {};
    }
    if (standing_ == KeyStanding::Retired) {
        // The browser moved on from this key: whoever holds it has a copy.
        const std::string warning = link_.trusted.forgetCopied(browserId_, peerAddress_);
        if (!warning.empty()) link_.mailbox.publishWarning(warning);
        stage_ = Stage::Paired;
        return letGo();
    }
    // The next key has come back: the browser holds it.
    if (standing_ == KeyStanding::Next) link_.trusted.nextKeyHeld(browserId_, counter_);
    link_.trusted.browserSeen(browserId_, peerAddress_);
    stage_ = Stage::Paired;
    // Every handshake ends with a new key: a copy of the old one is caught
    // the first time it comes back after the browser took this one.
    Bytes fresh(BROWSER_KEY_BYTES);
    if (!link_.random.fill(fresh)) return finish(plain("unknown", true));
    const std::optional<std::pair<std::uint64_t, std::string>> next = link_.trusted.nextKey(browserId_, toHex(fresh));
    wipe(fresh);
    if (!next) return finish(plain("unknown", true));
    Outcome greeting = reply({"connected " + name_, "rekey " + std::to_string(next->first) + " " + next->second});
    connected();
    return greeting;
}

WebSession::Outcome WebSession::rekeyed(std::string_view number) {
    const std::optional<std::uint64_t> keyNumber = counterOf(number);
    if (mode_ != LinkMode::Key || !keyNumber) return reply({"error bad rekeyed"});
    link_.trusted.nextKeyHeld(browserId_, *keyNumber);
    return {};
}

WebSession::Outcome WebSession::sealed(std::string_view frame, std::uint64_t nowMs) {
    const std::optional<std::string> message = frame.size() <= WEB_FRAME_LIMIT ? channel_->open(frame) : std::nullopt;
    // Forged, replayed, reordered or cut: the connection is over.
    if (!message) return refuse(nowMs);
    const auto [word, rest] = firstWord(*message);
    if (stage_ == Stage::Naming) return word == to_vork::NAME_WORD ? name(rest) : refuse(nowMs);
    if (!link_.trusted.knowsBrowser(browserId_)) return letGo();
    if (word == to_vork::BEAT_WORD) {
        // The window keeps a held key going only while its page shows signs of life.
        if (holding_) link_.mailbox.publish(BeatEvent{id_});
        return {};
    }
    if (word == to_vork::REKEYED_WORD) return rekeyed(rest);
    return paired(word, rest);
}

WebSession::Outcome WebSession::name(std::string_view asked) {
    name_ = shownName(asked);
    Bytes id(BROWSER_ID_BYTES);
    Bytes key(BROWSER_KEY_BYTES);
    if (!link_.random.fill(id) || !link_.random.fill(key)) return finish(plain("unknown", true));
    browserId_ = toHex(id);
    link_.trusted.trustBrowser(name_, browserId_, toHex(key), peerAddress_);
    Outcome greeting = reply({"paired " + browserId_ + " 1 " + toHex(key), "connected " + name_});
    wipe(key);
    stage_ = Stage::Paired;
    connected();
    return greeting;
}

// A paired page's messages, each word with its handler.
struct WebSession::Handler {
    std::string_view word;
    Outcome (WebSession::*handle)(std::string_view rest);
};

constexpr std::array<WebSession::Handler, 10> WebSession::HANDLERS = {{
    {to_vork::KEY_WORD, &WebSession::onKey},
    {to_vork::TEXT_WORD, &WebSession::onText},
    {to_vork::PRESS_WORD, &WebSession::onPress},
    {to_vork::MEDIA_WORD, &WebSession::onMedia},
    {to_vork::VISIBLE_WORD, &WebSession::onVisible},
    {to_vork::MOVE_WORD, &WebSession::onMove},
    {to_vork::SCROLL_WORD, &WebSession::onScroll},
    {to_vork::CLICK_WORD, &WebSession::onClick},
    {to_vork::RELEASE_WORD, &WebSession::onRelease},
    {to_vork::PLAYER_WORD, &WebSession::onPlayer},
}};

WebSession::Outcome WebSession::paired(std::string_view word, std::string_view rest) {
    // Every sealed word of page_protocol.json is handled: by sealed() before the table, or by the table.
    static_assert(handlesExactly(HANDLERS, std::array{to_vork::NAME_WORD, to_vork::BEAT_WORD, to_vork::REKEYED_WORD},
                                 to_vork::SEALED_WORDS),
                  "HANDLERS and the page's sealed words in page_protocol.json differ");
    for (const Handler& handler : HANDLERS)
        if (handler.word == word) return (this->*handler.handle)(rest);
    return reply({"error unknown message"});
}

WebSession::Outcome WebSession::onKey(std::string_view rest) {
    if (rest.empty() || rest.size() > WEB_COMMAND_LIMIT || !std::all_of(rest.begin(), rest.end(), printableAscii))
        return reply({"error bad key"});
    Outcome outcome;
    if (rest == FORGET_COMMAND) {
        link_.trusted.forgetBrowser(browserId_);
        outcome = reply({"forgotten"});
    }
    // Any command ends a held action; a holding one starts this page's.
    publish(CommandEvent{LinkOrigin{LinkKind::Browser, id_}, std::string(rest)}, startsHeldAction(rest));
    return outcome;
}

WebSession::Outcome WebSession::onPress(std::string_view rest) {
    std::optional<std::string> keys = pressedKeys(rest);
    if (!keys) return reply({"error bad press"});
    publish(PressEvent{id_, std::move(*keys)});
    return {};
}

WebSession::Outcome WebSession::onMedia(std::string_view rest) {
    const std::optional<MediaKey> key = mediaKeyNamed(rest);
    if (!key) return reply({"error bad media"});
    const bool volume = *key == MediaKey::VolumeUp || *key == MediaKey::VolumeDown;
    publish(MediaEvent{id_, static_cast<std::uint8_t>(*key)}, volume);
    return {};
}

WebSession::Outcome WebSession::onVisible(std::string_view rest) {
    if (rest != "0" && rest != "1") return reply({"error unknown message"});
    link_.mailbox.publish(VisibleEvent{id_, rest == "1"});
    return {};
}

WebSession::Outcome WebSession::onMove(std::string_view rest) {
    const auto [x, y] = firstWord(rest);
    const auto dx = number(x, WEB_MOVE_LIMIT);
    const auto dy = number(y, WEB_MOVE_LIMIT);
    if (!dx || !dy) return reply({"error bad move"});
    link_.mailbox.publish(MoveEvent{id_, *dx, *dy});
    return {};
}

WebSession::Outcome WebSession::onScroll(std::string_view rest) {
    const auto [y, x] = firstWord(rest);
    const auto amount = number(y, WEB_SCROLL_LIMIT);
    const auto across = x.empty() ? std::optional<std::int32_t>(0) : number(x, WEB_SCROLL_LIMIT);
    if (!amount || !across) return reply({"error bad scroll"});
    link_.mailbox.publish(ScrollEvent{id_, *amount, *across});
    return {};
}

WebSession::Outcome WebSession::onClick(std::string_view rest) {
    if (rest != "left" && rest != "right") return reply({"error unknown message"});
    link_.mailbox.publish(ClickEvent{id_, rest == "right"});
    return {};
}

WebSession::Outcome WebSession::onRelease(std::string_view) {
    release();
    return {};
}

WebSession::Outcome WebSession::onPlayer(std::string_view rest) {
    using Action = PlayerEvent::Action;
    const auto [word, what] = firstWord(rest);
    PlayerEvent event;
    event.page = id_;
    if (word == "play-pause" || word == "next" || word == "previous") {
        if (!what.empty()) return reply({"error bad player"});
        event.action = word == "next" ? Action::Next : word == "previous" ? Action::Previous : Action::PlayPause;
    } else if (word == "seek") {
        const auto ms = number(what, WEB_SEEK_LIMIT_MS);
        if (!ms || *ms < 0) return reply({"error bad player"});
        event.action = Action::Seek;
        event.positionMs = *ms;
    } else if (word == "follow") {
        if (what.empty() || what.size() > WEB_PLAYER_ID_LIMIT ||
            !std::all_of(what.begin(), what.end(), [](char c) { return printableAscii(c) && c != ' '; }))
            return reply({"error bad player"});
        event.action = Action::Follow;
        event.player = std::string(what);
    } else {
        return reply({"error bad player"});
    }
    publish(std::move(event));
    return {};
}

WebSession::Outcome WebSession::onText(std::string_view rest) {
    const auto [count, text] = firstWord(rest);
    const std::optional<std::int32_t> deletions = number(count, WEB_TEXT_LIMIT);
    std::optional<TypedText> decoded = decodeTypedText(text);
    if (!deletions || *deletions < 0 || !decoded || decoded->characters > static_cast<std::size_t>(WEB_TEXT_LIMIT))
        return reply({"error bad text"});
    if (*deletions == 0 && text.empty()) return {};
    // Typing that cannot reach the window is said to be lost, so the page
    // starts its line again instead of typing on from a text the window never got.
    if (!link_.mailbox.publish(TypedEvent{id_, static_cast<std::size_t>(*deletions), std::move(decoded->units)}))
        return reply({"error text lost"});
    holding_ = false;
    return {};
}

void WebSession::publish(LinkEvent event, bool holds) {
    // A hold whose command never reached the window holds nothing.
    holding_ = link_.mailbox.publish(std::move(event)) && holds;
}

WebSession::Outcome WebSession::fromWindow(std::string_view text) {
    if (over_ || stage_ != Stage::Paired || !channel_) return {};
    if (!link_.trusted.knowsBrowser(browserId_)) return letGo();
    const bool picture = firstWord(text).first == to_page::ART_WORD;
    return reply({text}, picture ? PICTURE_PADDING_STEP : WINDOW_PADDING_STEP);
}

WebSession::Outcome WebSession::wake(std::uint64_t nowMs) {
    if (over_) return {};
    if (stage_ != Stage::Paired) {
        if (nowMs - openedAtMs_ < link_.unpairedLimitMs) return {};
        abandonHandshake();
        return finish(plain("unknown", true));
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
    if (!over_) abandonHandshake();
    // Only this page's own held action stops, and the window no longer counts it as connected.
    if (holding_ || shownConnected_) link_.mailbox.publishDeparture(id_);
    holding_ = false;
    shownConnected_ = false;
    over_ = true;
}

void WebSession::abandonHandshake() {
    if (stage_ != Stage::Shared) return;
    if (mode_ == LinkMode::Code) link_.offers.codeTryFailed(counter_);
    const auto pairing = link_.pairing.find(peerAddress_);
    if (pairing != link_.pairing.end() && pairing->second == id_) link_.pairing.erase(pairing);
    stage_ = Stage::Start;
    wipe(sharedKey_);
    wipe(expectedConfirmation_);
}

WebSession::Outcome WebSession::refuse(std::uint64_t nowMs) {
    abandonHandshake();
    // A handshake past its share has been counted already.
    if (!std::exchange(counted_, false)) link_.failures.penalise(peerKey_, nowMs);
    // What went wrong is not said: a guesser learns nothing from it.
    return finish(plain("unknown", true));
}

WebSession::Outcome WebSession::letGo() {
    // Forgotten (on the Connect page, or as a copy's owner, now or while its
    // page was open): it neither controls the PC nor hears from it any longer.
    Outcome goodbye = reply({"forgotten"});
    goodbye.close = true;
    return finish(std::move(goodbye));
}

WebSession::Outcome WebSession::finish(Outcome outcome) {
    over_ = outcome.close;
    return outcome;
}

WebSession::Outcome WebSession::reply(std::initializer_list<std::string_view> texts, std::size_t paddingStep) {
    Outcome outcome;
    for (const std::string_view text : texts) {
        std::optional<std::string> sealedText = channel_->seal(text, paddingStep);
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
    link_.mailbox.publish(VisibleEvent{id_, true});
}

void WebSession::release() {
    if (holding_) link_.mailbox.publishRelease(id_);
    holding_ = false;
}

}  // namespace vork
