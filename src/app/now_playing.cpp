#include "app/now_playing.h"

#include <algorithm>

#include "text/ascii_case.h"

namespace vork {

namespace {

// One line of the message's text: no tabs or line ends, cut at a character's boundary.
std::string field(std::string_view text, std::size_t limit) {
    std::string clean;
    for (const char c : text) clean.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c);
    if (clean.size() <= limit) return clean;
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(clean[cut]) & 0xC0) == 0x80) --cut;
    clean.resize(cut);
    return clean + "\u2026";
}

std::string_view statusWord(PlaybackStatus status) {
    switch (status) {
    case PlaybackStatus::Playing: return "playing";
    case PlaybackStatus::Paused: return "paused";
    case PlaybackStatus::Stopped: break;
    }
    return "stopped";
}

// "vlc" for "vlc", "vlc.exe" or "org.videolan.VLC".
bool sameProgram(std::string_view program, std::string_view name) {
    if (program.empty() || name.empty()) return false;
    const auto stem = [](std::string_view text) {
        if (const auto dot = text.rfind('.'); dot != std::string_view::npos && text.substr(dot) == ".exe")
            text = text.substr(0, dot);
        if (const auto dot = text.rfind('.'); dot != std::string_view::npos) text = text.substr(dot + 1);
        return text;
    };
    return equalIgnoringAsciiCase(stem(program), stem(name));
}

}  // namespace

std::optional<std::size_t> followedPlayer(const std::vector<MediaPlayer>& players, std::string_view picked,
                                          std::string_view frontProgram,
                                          const std::map<std::string, std::uint64_t>& lastPlayedMs) {
    if (players.empty()) return std::nullopt;
    for (std::size_t i = 0; i < players.size(); ++i)
        if (!picked.empty() && players[i].id == picked) return i;
    for (std::size_t i = 0; i < players.size(); ++i)
        if (sameProgram(frontProgram, players[i].program) || sameProgram(frontProgram, players[i].desktopEntry))
            return i;
    std::optional<std::size_t> latest;
    std::uint64_t latestMs = 0;
    for (std::size_t i = 0; i < players.size(); ++i) {
        const auto played = lastPlayedMs.find(players[i].id);
        if (played != lastPlayedMs.end() && (!latest || played->second >= latestMs)) {
            latest = i;
            latestMs = played->second;
        }
    }
    return latest ? latest : std::optional<std::size_t>(players.size() - 1);
}

std::string playingMessage(const MediaPlayer* player, std::uint64_t nowMs) {
    std::string message = "playing";
    if (!player) return message;
    const std::int64_t position = positionAt(*player, nowMs);
    std::string can;
    if (player->canPlayPause) can += 'p';
    if (player->canNext) can += 'n';
    if (player->canPrevious) can += 'b';
    if (player->canSeek && player->lengthMs > 0) can += 's';
    message.append(" ").append(player->id).append(" ").append(statusWord(player->status));
    message.append(" ").append(std::to_string(position));
    message.append(" ").append(std::to_string(std::max<std::int64_t>(0, player->lengthMs)));
    message.append(" ").append(can.empty() ? "-" : can);
    for (const auto& [text, limit] : {std::pair{std::string_view(player->name), PLAYING_NAME_LIMIT},
                                      std::pair{std::string_view(player->title), PLAYING_TEXT_LIMIT},
                                      std::pair{std::string_view(player->artists), PLAYING_TEXT_LIMIT},
                                      std::pair{std::string_view(player->album), PLAYING_TEXT_LIMIT}})
        message.append("\t").append(field(text, limit));
    return message;
}

std::string playersMessage(const std::vector<MediaPlayer>& players) {
    std::string message = "players";
    for (std::size_t i = 0; i < players.size(); ++i)
        message.append(i == 0 ? " " : "\t")
            .append(players[i].id)
            .append("\t")
            .append(field(players[i].name, PLAYING_NAME_LIMIT));
    return message;
}

void NowPlaying::initialise() {
    if (session_) session_->onChange([this] { refresh(); });
}

void NowPlaying::pageShown(ConnectionId page, bool shown) {
    if (!session_) return;
    if (!shown) {
        pages_.erase(page);
        return;
    }
    refresh();
    sendTo(page, pages_[page], true);
}

bool NowPlaying::run(const PlayerEvent& event) {
    using Action = PlayerEvent::Action;
    const bool button = event.action != Action::Seek && event.action != Action::Follow;
    if (!session_) return !button;
    if (event.action == Action::Follow) {
        picked_ = event.player;
        refresh();
        return true;
    }
    if (!followed_) return !button;
    const MediaPlayer& player = players_[*followed_];
    switch (event.action) {
    case Action::PlayPause: session_->command(player.id, PlayerCommand::PlayPause); break;
    case Action::Next: session_->command(player.id, PlayerCommand::Next); break;
    case Action::Previous: session_->command(player.id, PlayerCommand::Previous); break;
    case Action::Seek:
        session_->seek(player.id, event.positionMs);
        // The page's bar has moved: whatever the player makes of it, the next look tells the pages.
        for (auto& [page, state] : pages_) state.playing.clear();
        break;
    case Action::Follow: break;
    }
    return true;
}

void NowPlaying::refresh() {
    if (!session_) return;
    players_ = session_->players();
    const std::uint64_t now = clock_.nowMs();
    for (const MediaPlayer& player : players_)
        if (player.status == PlaybackStatus::Playing) lastPlayedMs_[player.id] = now;
    std::erase_if(lastPlayedMs_, [this](const auto& entry) {
        return std::none_of(players_.begin(), players_.end(), [&](const MediaPlayer& p) { return p.id == entry.first; });
    });
    if (std::none_of(players_.begin(), players_.end(), [this](const MediaPlayer& p) { return p.id == picked_; }))
        picked_.clear();
    const WindowHandle front = windows_.foregroundWindow();
    const std::string frontProgram = front.isNull() ? std::string() : windows_.programFileName(front);
    followed_ = followedPlayer(players_, picked_, frontProgram, lastPlayedMs_);
    art_ = followed_ && !players_[*followed_].artUrl.empty()
               ? session_->artwork(players_[*followed_].artUrl, PLAYING_ART_SIDE)
               : std::string();
    for (auto& [page, state] : pages_) sendTo(page, state, false);
}

void NowPlaying::sendTo(ConnectionId page, PageState& state, bool always) {
    const std::uint64_t now = clock_.nowMs();
    if (!always && state.sentOnce && now - state.sentMs < PLAYING_UPDATE_GAP_MS) return;  // the next tick sends it
    const std::string players = playersMessage(players_);
    const MediaPlayer* player = followed_ ? &players_[*followed_] : nullptr;
    const std::string art = art_.empty() ? "art" : "art " + art_;
    // Only what changed goes. The page moves the position on by itself, so
    // "playing" is compared as the player last reported it.
    bool sent = false;
    const auto send = [&](std::string& kept, const std::string& compared, const std::string& message) {
        if (!always && kept == compared) return;
        kept = compared;
        actions_.sendToPage(page, message);
        sent = true;
    };
    send(state.players, players, players);
    send(state.art, art, art);
    send(state.playing, playingMessage(player, player ? player->positionReadMs : 0), playingMessage(player, now));
    if (sent || always) {
        state.sentMs = now;
        state.sentOnce = true;
    }
}

}  // namespace vork
