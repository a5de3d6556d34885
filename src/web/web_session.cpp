#include "web/web_session.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "link/phone_protocol.h"

namespace vork {

namespace {

constexpr std::string_view NAMELESS_BROWSER = "Browser";

// The commands that start an action running until the finger lifts.
constexpr std::array<std::string_view, 6> HOLDING_COMMANDS = {"D:2", "D:8", "D:U", "D:D", "D:L", "D:R"};

std::pair<std::string_view, std::string_view> firstWord(std::string_view text) {
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos) return {text, {}};
    return {text.substr(0, space), text.substr(space + 1)};
}

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

WebSession::Outcome reply(std::string text, bool close = false) { return {{std::move(text)}, close}; }

}  // namespace

WebSession::Outcome WebSession::receive(std::string_view message, std::uint64_t nowMs) {
    if (over_) return {};
    lastMessageMs_ = nowMs;
    const auto [word, rest] = firstWord(message);
    if (word == "beat") {
        // The window keeps a held key going only while its page shows signs of life.
        if (holding_) link_.mailbox.publishWebInput(WebInput{WebInput::Kind::Beat, {}, 0, 0, id_});
        return {};
    }
    if (word == "hello" && stage_ == Stage::Unpaired) return hello(rest, nowMs);
    if (word == "login" && stage_ == Stage::Unpaired) return login(rest, nowMs);
    if (stage_ == Stage::Paired) return paired(word, rest);
    if (word == "hello" || word == "login") return reply("error already asking");
    return reply("unpaired");
}

WebSession::Outcome WebSession::hello(std::string_view token, std::uint64_t nowMs) {
    const std::optional<std::string> name = link_.trusted.browserName(token);
    if (!name) return reply("unknown");
    token_ = std::string(token);
    name_ = *name;
    enter(Stage::Paired, nowMs);
    // As for a remembered phone: the window shows it connected, nobody is asked.
    link_.mailbox.publishStatus(LinkOrigin{LinkKind::Browser, id_}, CONNECTED_STATUS, name_);
    shownConnected_ = true;
    return reply("connected");
}

WebSession::Outcome WebSession::login(std::string_view name, std::uint64_t nowMs) {
    // Never replaces the request on screen: the user would lose the one they are reading.
    const RequestOpening opening = link_.state.openRequestUnlessOpen(peerKey_, nowMs);
    if (opening.outcome == RequestOpening::Outcome::Busy) return reply("busy");
    // Declined or gone a moment ago: nothing is shown.
    if (opening.outcome == RequestOpening::Outcome::Refused) return reply("declined");
    request_ = opening.number;
    name_ = shownName(name);
    link_.mailbox.publishNotice({});
    link_.mailbox.publishRequest(LinkOrigin{LinkKind::Browser, id_}, request_, name_);
    enter(Stage::Asking, nowMs);
    return reply("asking");
}

WebSession::Outcome WebSession::paired(std::string_view word, std::string_view rest) {
    if (word == "key") {
        if (rest.empty() || rest.size() > WEB_COMMAND_LIMIT || !std::all_of(rest.begin(), rest.end(), printableAscii))
            return reply("error bad key");
        Outcome outcome;
        if (rest == FORGET_COMMAND) {
            link_.trusted.forgetBrowser(token_);
            outcome.replies.emplace_back("forgotten");
        }
        link_.mailbox.publishWebInput(WebInput{WebInput::Kind::Command, std::string(rest), 0, 0, id_});
        // Any command ends a held action; a holding one starts this page's.
        holding_ = std::find(HOLDING_COMMANDS.begin(), HOLDING_COMMANDS.end(), rest) != HOLDING_COMMANDS.end();
        return outcome;
    }
    if (word == "move") {
        const auto [x, y] = firstWord(rest);
        const auto dx = number(x, WEB_MOVE_LIMIT);
        const auto dy = number(y, WEB_MOVE_LIMIT);
        if (!dx || !dy) return reply("error bad move");
        link_.mailbox.publishWebInput(WebInput{WebInput::Kind::Move, {}, *dx, *dy, id_});
        return {};
    }
    if (word == "scroll") {
        const auto amount = number(rest, WEB_SCROLL_LIMIT);
        if (!amount) return reply("error bad scroll");
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
    return reply("error unknown message");
}

WebSession::Outcome WebSession::wake(std::uint64_t nowMs) {
    if (over_) return {};
    lastWakeMs_ = nowMs;
    switch (stage_) {
    case Stage::Unpaired:
        if (nowMs - stageSinceMs_ >= link_.unpairedLimitMs) return finish(reply("unpaired", true));
        return {};
    case Stage::Asking: return decided(nowMs);
    case Stage::Paired:
        if (holding_ && nowMs - lastMessageMs_ >= HOLD_SILENCE_MS) release();
        return {};
    }
    return {};
}

WebSession::Outcome WebSession::decided(std::uint64_t nowMs) {
    if (!link_.state.isOpen(request_)) {
        // Another link's request took the screen.
        enter(Stage::Unpaired, nowMs);
        return reply("busy");
    }
    const ConnectionStateValue decision = link_.state.decision(request_);
    if (decision == Pending) {
        if (!link_.state.expired(request_, nowMs)) return {};
        link_.state.withdraw(request_, nowMs);
        link_.mailbox.publishWithdrawn(request_);
        enter(Stage::Unpaired, nowMs);
        return reply("unanswered");
    }
    link_.state.closeRequest(request_);
    if (decision == Rejected) {
        enter(Stage::Unpaired, nowMs);
        return reply("declined");
    }
    shownConnected_ = true;  // the window showed it connected when the user accepted
    const std::optional<std::string> token = newToken();
    if (!token) {
        // Without a secret the browser cannot be remembered; it is let in this once.
        enter(Stage::Paired, nowMs);
        return reply("connected");
    }
    token_ = *token;
    link_.trusted.trustBrowser(name_, token_);
    enter(Stage::Paired, nowMs);
    return reply("accepted " + token_);
}

std::optional<std::uint64_t> WebSession::nextWake() const {
    if (over_) return std::nullopt;
    switch (stage_) {
    case Stage::Unpaired: return stageSinceMs_ + link_.unpairedLimitMs;
    case Stage::Asking: return lastWakeMs_ + DECISION_CHECK_MS;  // the user's decision is looked at
    case Stage::Paired: return holding_ ? std::optional(lastMessageMs_ + HOLD_SILENCE_MS) : std::nullopt;
    }
    return std::nullopt;
}

void WebSession::closed(std::uint64_t nowMs) {
    if (stage_ == Stage::Asking) {
        link_.state.withdraw(request_, nowMs);
        link_.mailbox.publishWithdrawn(request_);
    }
    // Only this page's own held action stops, and the window no longer counts it as connected.
    if (holding_ || shownConnected_) link_.mailbox.publishDeparture(id_);
    holding_ = false;
    shownConnected_ = false;
    stage_ = Stage::Unpaired;
    over_ = true;
}

void WebSession::enter(Stage stage, std::uint64_t nowMs) {
    stage_ = stage;
    stageSinceMs_ = nowMs;
    lastWakeMs_ = nowMs;
}

void WebSession::release() {
    if (holding_) link_.mailbox.publishRelease(id_);
    holding_ = false;
}

std::optional<std::string> WebSession::newToken() {
    std::array<std::uint8_t, TOKEN_BYTES> bytes{};
    if (!link_.random.fill(bytes)) return std::nullopt;
    constexpr std::string_view DIGITS = "0123456789abcdef";
    std::string token;
    for (const std::uint8_t byte : bytes) {
        token.push_back(DIGITS[byte >> 4]);
        token.push_back(DIGITS[byte & 0x0F]);
    }
    return token;
}

WebSession::Outcome WebSession::finish(Outcome outcome) {
    over_ = outcome.close;
    return outcome;
}

}  // namespace vork
