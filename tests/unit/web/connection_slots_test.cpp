// A site's connection slots: which connection makes room for a newcomer,
// and which are never closed for one.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "web/connection_slots.h"

namespace vork {
namespace {

using Clock = ConnectionSlots::Clock;

Clock::time_point at(int seconds) { return Clock::time_point{} + std::chrono::seconds(seconds); }

// A connection that counts its evictions.
class FakeConnection final : public SlotHolder {
public:
    explicit FakeConnection(bool expendable) : expendable_(expendable) {}
    [[nodiscard]] bool expendable() const override { return expendable_; }
    void evict() override { ++evictions; }
    int evictions = 0;

private:
    bool expendable_;
};

constexpr bool PAIRED = false;
constexpr bool PLAIN = true;
constexpr int NONE = -1;

struct Open {
    std::string peer;
    int openedAt;  // seconds
    bool expendable;
};
constexpr bool GOES_AWAY = false;
// A newcomer; once admitted it holds a plain slot of its own, opened after all
// others, unless it goes away at once.
struct Newcomer {
    std::string peer;
    bool admitted;
    int evicts;  // which connection makes room, by the order they came in (newcomers last); NONE
    bool stays = true;
};
struct Case {
    const char* what;
    std::size_t connections;
    std::size_t perAddress;
    std::vector<Open> open;
    std::vector<Newcomer> newcomers;
};

TEST(ConnectionSlots, ANewcomerTakesRoomFromItsOwnHostFirst_ThenFromTheOldestUnpaired_NeverFromAPairedPage) {
    const std::vector<Case> cases = {
        {"room for everyone", 4, 2, {{"a", 0, PLAIN}}, {{"b", true, NONE}, {"a", true, NONE}}},
        {"a host's own oldest plain one makes room, not another host's older one", 4, 2,
         {{"b", 0, PLAIN}, {"a", 1, PAIRED}, {"a", 2, PLAIN}}, {{"a", true, 2}}},
        {"a host whose slots are all paired pages waits, however empty the site", 8, 2,
         {{"a", 0, PAIRED}, {"a", 1, PAIRED}}, {{"a", false, NONE}, {"b", true, NONE}}},
        {"a full site: the oldest unpaired of any host", 4, 2,
         {{"a", 0, PAIRED}, {"b", 1, PLAIN}, {"c", 2, PLAIN}, {"d", 3, PAIRED}}, {{"e", true, 1}}},
        {"a full site of paired pages: the newcomer waits", 2, 2, {{"a", 0, PAIRED}, {"b", 1, PAIRED}},
         {{"c", false, NONE}}},
        {"the oldest by when it opened, whatever order it came in", 4, 4,
         {{"a", 5, PLAIN}, {"b", 1, PLAIN}, {"c", 3, PLAIN}, {"d", 0, PAIRED}}, {{"e", true, 1}}},
        {"one closing already counts for nothing and is not closed again", 3, 3,
         {{"a", 0, PLAIN}, {"b", 1, PLAIN}, {"c", 2, PLAIN}},
         {{"d", true, 0, GOES_AWAY}, {"e", true, NONE}, {"f", true, 1}, {"g", true, 2}}},
        {"the same within one host", 8, 2, {{"a", 0, PLAIN}, {"a", 1, PLAIN}},
         {{"a", true, 0}, {"a", true, 1}, {"a", true, 2}}},
    };
    for (const Case& c : cases) {
        ConnectionSlots slots(c.connections, c.perAddress);
        std::deque<FakeConnection> connections;  // stays put as it grows
        std::deque<HeldSlot> held;
        for (const Open& open : c.open) {
            connections.emplace_back(open.expendable);
            held.emplace_back(slots, connections.back(), open.peer, at(open.openedAt));
        }
        std::vector<int> evictions(c.open.size() + c.newcomers.size(), 0);
        for (const Newcomer& newcomer : c.newcomers) {
            EXPECT_EQ(newcomer.admitted, slots.admit(newcomer.peer)) << c.what << ": " << newcomer.peer;
            if (newcomer.evicts != NONE) ++evictions[static_cast<std::size_t>(newcomer.evicts)];
            for (std::size_t i = 0; i < connections.size(); ++i)
                EXPECT_EQ(evictions[i], connections[i].evictions) << c.what << ": connection " << i
                                                                  << " after " << newcomer.peer;
            if (!newcomer.admitted || !newcomer.stays) continue;
            connections.emplace_back(PLAIN);
            held.emplace_back(slots, connections.back(), newcomer.peer, at(100));
        }
    }
}

TEST(ConnectionSlots, SwitchedOff_EachGoesOnce_AndOneThatLeftMakesRoomWithoutAnEviction) {
    ConnectionSlots slots(2, 2);
    FakeConnection paired(PAIRED);
    FakeConnection plain(PLAIN);
    std::optional<HeldSlot> pairedSlot;
    pairedSlot.emplace(slots, paired, "a", at(0));
    const HeldSlot plainSlot(slots, plain, "b", at(1));
    ASSERT_TRUE(slots.admit("c"));
    ASSERT_EQ(1, plain.evictions);
    slots.evictAll();
    EXPECT_EQ(1, paired.evictions);
    EXPECT_EQ(1, plain.evictions) << "closing already";

    ConnectionSlots full(1, 1);
    FakeConnection page(PAIRED);
    std::optional<HeldSlot> pageSlot;
    pageSlot.emplace(full, page, "a", at(0));
    EXPECT_FALSE(full.admit("b"));
    pageSlot.reset();
    EXPECT_TRUE(full.admit("b"));
    EXPECT_EQ(0, page.evictions);
}

}  // namespace
}  // namespace vork
