#include "app/now_playing.h"

#include <gtest/gtest.h>

#include "fake_media_session.h"
#include "fake_system.h"
#include "simulated_desktop.h"

namespace vork {
namespace {

MediaPlayer player(std::string id, std::string program, PlaybackStatus status = PlaybackStatus::Paused) {
    MediaPlayer p;
    p.id = std::move(id);
    p.name = p.id + " player";
    p.program = std::move(program);
    p.status = status;
    p.title = "Song";
    p.lengthMs = 10000;
    p.canPlayPause = p.canNext = p.canPrevious = p.canSeek = true;
    return p;
}

TEST(FollowedPlayerTest, PickedThenFrontWindowThenLastPlayingThenNewest) {
    const std::vector<MediaPlayer> three = {player("vlc", "vlc"), player("mpv", ""), player("rb", "rhythmbox")};
    std::vector<MediaPlayer> entry = three;
    entry[1].desktopEntry = "mpv";
    struct Case {
        const char* what;
        std::vector<MediaPlayer> players;
        std::string picked;
        std::string front;
        std::map<std::string, std::uint64_t> played;
        std::optional<std::size_t> expected;
    };
    const Case cases[] = {
        {"no players", {}, "vlc", "vlc", {}, std::nullopt},
        {"the page's pick over the window in front", three, "rb", "vlc", {{"mpv", 9}}, 2},
        {"a pick that has gone counts for nothing", three, "gone", "vlc", {}, 0},
        {"the program in front, whatever played last", three, "", "VLC", {{"rb", 9}}, 0},
        {"the program in front by its desktop entry", entry, "", "mpv", {{"rb", 9}}, 1},
        {"else the one that played most recently", three, "", "firefox", {{"vlc", 3}, {"rb", 9}}, 2},
        {"else the last to appear", three, "", "", {}, 2},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, followedPlayer(c.players, c.picked, c.front, c.played)) << c.what;
}

TEST(PlayingMessageTest, OneLinePerFieldCutAtACharacter_ThePositionMovedOnWhilePlaying) {
    EXPECT_EQ("playing", playingMessage(nullptr, 0));
    MediaPlayer p = player("org.mpris.MediaPlayer2.vlc", "vlc", PlaybackStatus::Playing);
    p.name = "VLC";
    p.title = "A\ttab and\na line";
    p.artists = std::string(PLAYING_TEXT_LIMIT - 1, 'x') + "\xC3\xA9";  // é across the limit
    p.album = "Album";
    p.positionMs = 4000;
    p.positionReadMs = 1000;
    EXPECT_EQ("playing org.mpris.MediaPlayer2.vlc playing 5500 10000 pnbs\tVLC\tA tab and a line\t" +
                  std::string(PLAYING_TEXT_LIMIT - 1, 'x') + "\u2026\tAlbum",
              playingMessage(&p, 2500));
    EXPECT_TRUE(playingMessage(&p, 99000).starts_with("playing org.mpris.MediaPlayer2.vlc playing 10000 10000 "))
        << "never past its length";
    p.status = PlaybackStatus::Paused;
    p.lengthMs = 0;
    p.canNext = p.canPrevious = false;
    EXPECT_TRUE(playingMessage(&p, 2500).starts_with("playing org.mpris.MediaPlayer2.vlc paused 4000 0 p\t"))
        << "paused: where it stopped; no seeking without a length";
}

TEST(PlayingMessageTest, APauseKeepsWhereThePlaybackWas_AndPlayingOnCountsNoneOfThePause) {
    MediaPlayer p = player("org.mpris.MediaPlayer2.vlc", "vlc", PlaybackStatus::Playing);
    p.positionMs = 1000;
    p.positionReadMs = 0;
    rebasePosition(p, 3000);  // paused after three seconds of playing
    p.status = PlaybackStatus::Paused;
    EXPECT_EQ(4000, positionAt(p, 600000));
    rebasePosition(p, 600000);  // played on ten minutes later
    p.status = PlaybackStatus::Playing;
    EXPECT_EQ(4500, positionAt(p, 600500));
}

class NowPlayingTest : public ::testing::Test, protected test::SimulatedDesktop, public WindowActions {
protected:
    void sendToPage(ConnectionId page, const std::string& text) override { sent.emplace_back(page, text); }
    void openConnectPage() override {}
    void switchWanted(bool) override {}
    void serverChanged(WebServerState, std::uint16_t) override {}

    std::vector<std::string> sentTo(ConnectionId page) {
        std::vector<std::string> texts;
        for (const auto& [to, text] : sent)
            if (to == page) texts.push_back(text.substr(0, text.find('\t')));
        sent.clear();
        return texts;
    }

    test::FakeClock clock;
    test::FakeMediaSession session;
    NowPlaying card{&session, desktop, *this, clock};
    std::vector<std::pair<ConnectionId, std::string>> sent;
};

TEST_F(NowPlayingTest, APageInView_FollowsThePlayerAtMostFourTimesASecond_AndItsButtonsDriveIt) {
    card.initialise();
    desktop.windows.clear();
    desktop.setForeground(desktop.addWindow("Notes", "notes"));
    session.list = {player("vlc", "vlc", PlaybackStatus::Playing)};
    session.list[0].artUrl = "file:///cover.jpg";
    session.list[0].positionReadMs = clock.nowMs();
    card.pageShown(7, true);
    EXPECT_EQ((std::vector<std::string>{"players vlc", "art data:image/jpeg;base64,ART320",
                                        "playing vlc playing 0 10000 pnbs"}),
              sentTo(7));

    clock.advance(100);
    session.set(session.list);  // nothing new: nothing sent, though the position moved on
    session.list[0].title = "Next song";
    session.list[0].artUrl = "https://example.invalid/cover.jpg";  // never fetched: the placeholder
    session.set(session.list);
    EXPECT_TRUE(sentTo(7).empty()) << "within the gap";
    clock.advance(PLAYING_UPDATE_GAP_MS);
    card.tick();
    EXPECT_EQ((std::vector<std::string>{"art", "playing vlc playing 350 10000 pnbs"}), sentTo(7));

    for (const auto action : {PlayerEvent::Action::PlayPause, PlayerEvent::Action::Next, PlayerEvent::Action::Previous})
        EXPECT_TRUE(card.run(PlayerEvent{7, action, 0, ""}));
    EXPECT_TRUE(card.run(PlayerEvent{7, PlayerEvent::Action::Seek, 65000, ""}));
    EXPECT_EQ((std::vector<std::string>{"vlc play-pause", "vlc next", "vlc previous", "vlc seek 65000"}), session.calls);
    clock.advance(PLAYING_UPDATE_GAP_MS);
    card.tick();
    EXPECT_EQ((std::vector<std::string>{"playing vlc playing 600 10000 pnbs"}), sentTo(7))
        << "the player took no notice of the seek: the page, whose bar moved, hears where it is";

    // A second player in front takes the card, until the page picks the first again.
    session.list.push_back(player("mpv", "mpv"));
    desktop.setForeground(desktop.addWindow("clip - mpv", "mpv"));
    desktop.windows.back().program = "mpv";
    clock.advance(PLAYING_UPDATE_GAP_MS);
    session.set(session.list);
    EXPECT_EQ((std::vector<std::string>{"players vlc", "playing mpv paused 0 10000 pnbs"}), sentTo(7));
    clock.advance(PLAYING_UPDATE_GAP_MS);
    EXPECT_TRUE(card.run(PlayerEvent{7, PlayerEvent::Action::Follow, 0, "vlc"}));
    EXPECT_TRUE(sentTo(7).back().starts_with("playing vlc playing ")) << "the pick";

    // Every player gone: the card hides; the buttons fall back to the media keys, a seek does nothing.
    clock.advance(PLAYING_UPDATE_GAP_MS);
    session.set({});
    EXPECT_EQ((std::vector<std::string>{"players", "playing"}), sentTo(7));
    EXPECT_FALSE(card.run(PlayerEvent{7, PlayerEvent::Action::PlayPause, 0, ""}));
    EXPECT_TRUE(card.run(PlayerEvent{7, PlayerEvent::Action::Seek, 1, ""}));

    // A page out of view hears nothing; one that comes back gets the whole card again.
    card.pageShown(7, false);
    clock.advance(PLAYING_UPDATE_GAP_MS);
    session.set({player("vlc", "vlc")});
    EXPECT_TRUE(sentTo(7).empty());
    card.pageShown(7, true);
    EXPECT_EQ((std::vector<std::string>{"players vlc", "art", "playing vlc paused 0 10000 pnbs"}), sentTo(7));
}

TEST_F(NowPlayingTest, WithoutAMediaSession_NothingIsSent_AndOnlyTheButtonsFallBack) {
    NowPlaying none{nullptr, desktop, *this, clock};
    none.initialise();
    none.pageShown(7, true);
    none.tick();
    EXPECT_TRUE(sent.empty());
    EXPECT_FALSE(none.run(PlayerEvent{7, PlayerEvent::Action::Next, 0, ""}));
    EXPECT_TRUE(none.run(PlayerEvent{7, PlayerEvent::Action::Follow, 0, "vlc"}));
}

}  // namespace
}  // namespace vork
