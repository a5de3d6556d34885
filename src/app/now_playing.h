// The page's Now playing card: which of the desktop's players it follows,
// what it tells the pages in view about it (what plays, the picture, the
// players there are), at most a few times a second, and the card's commands
// to that player.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/window_view.h"
#include "link/link_events.h"
#include "platform/clock.h"
#include "platform/media_session.h"
#include "platform/window_manager.h"

namespace vork {

inline constexpr std::size_t PLAYING_TEXT_LIMIT = 200;      // bytes of a title, the artists or an album
inline constexpr std::size_t PLAYING_NAME_LIMIT = 64;       // bytes of a player's name
inline constexpr std::uint64_t PLAYING_UPDATE_GAP_MS = 250;  // at most four updates a second to a page
inline constexpr int PLAYING_ART_SIDE = 320;

// The player the card follows, as an index into `players`: the one the page
// picked while it is there; else the one whose program owns the window in
// front; else the one that played most recently; else the last to appear.
std::optional<std::size_t> followedPlayer(const std::vector<MediaPlayer>& players, std::string_view picked,
                                          std::string_view frontProgram,
                                          const std::map<std::string, std::uint64_t>& lastPlayedMs);

// The page's "playing" message for the player (a bare one for none), its
// position as it is at nowMs.
std::string playingMessage(const MediaPlayer* player, std::uint64_t nowMs);
std::string playersMessage(const std::vector<MediaPlayer>& players);

class NowPlaying {
public:
    // session: none on a desktop that has none; the card then never shows.
    NowPlaying(MediaSession* session, WindowManager& windows, WindowActions& actions, const Clock& clock)
        : session_(session), windows_(windows), actions_(actions), clock_(clock) {}

    void initialise();
    void pageShown(ConnectionId page, bool shown);
    void departed(ConnectionId page) { pages_.erase(page); }
    // False for a button no player can take: it then acts as its media key.
    bool run(const PlayerEvent& event);
    // The repeat of a page in view: what waited for its gap goes, and a change of the window in front is seen.
    void tick() { refresh(); }

private:
    struct PageState {
        std::string playing;
        std::string players;
        std::string art;
        std::uint64_t sentMs = 0;
        bool sentOnce = false;
    };
    void refresh();
    void sendTo(ConnectionId page, PageState& state, bool always);

    MediaSession* session_;
    WindowManager& windows_;
    WindowActions& actions_;
    const Clock& clock_;
    std::vector<MediaPlayer> players_;
    std::optional<std::size_t> followed_;
    std::string picked_;
    std::map<std::string, std::uint64_t> lastPlayedMs_;
    std::string art_;  // the followed track's picture, as a data: URL
    std::map<ConnectionId, PageState> pages_;
};

}  // namespace vork
