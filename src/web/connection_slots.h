// Every open connection of a site, so that one host cannot take them all: a
// few per address, and when a host's or the site's are all taken, the oldest
// that is not a paired page makes room for the newcomer. Pure: the server
// says who opened when, and closes what the slots evict.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vork {

// The browser remote's: past this many the oldest unpaired or plain-HTTP connection makes room.
inline constexpr std::size_t REMOTE_CONNECTIONS = 32;
inline constexpr std::size_t REMOTE_CONNECTIONS_PER_ADDRESS = 4;
// The Connect page is one browser on this PC: a few connections are plenty.
inline constexpr std::size_t CONNECT_PAGE_CONNECTIONS = 8;

// A connection as the slots see it.
class SlotHolder {
public:
    // A plain HTTP connection or a page not (yet) paired.
    [[nodiscard]] virtual bool expendable() const = 0;
    // Closes it at once: it leaves its slot when it has ended.
    virtual void evict() = 0;

protected:
    SlotHolder() = default;
    ~SlotHolder() = default;
    SlotHolder(const SlotHolder&) = default;
    SlotHolder& operator=(const SlotHolder&) = default;
};

class ConnectionSlots {
public:
    using Clock = std::chrono::steady_clock;

    ConnectionSlots(std::size_t connections, std::size_t perAddress)
        : connections_(connections), perAddress_(perAddress) {}

    // Whether a newcomer from `peer` may be served; may evict another to make room.
    bool admit(std::string_view peer);
    void add(SlotHolder& holder, std::string peer, Clock::time_point openedAt);
    void remove(const SlotHolder& holder);
    // Switched off: every connection goes.
    void evictAll();

private:
    struct Slot {
        SlotHolder* holder;
        std::string peer;
        Clock::time_point openedAt;
        bool evicted = false;  // closing already: it counts for nothing
    };
    void evict(Slot& slot);

    std::size_t connections_;
    std::size_t perAddress_;
    std::vector<Slot> open_;
};

// A connection's slot, held from its opening until it goes or hands it over.
class HeldSlot {
public:
    HeldSlot(ConnectionSlots& slots, SlotHolder& holder, std::string peer, ConnectionSlots::Clock::time_point openedAt)
        : slots_(slots), holder_(holder), peer_(peer) {
        slots_.add(holder_, std::move(peer), openedAt);
    }
    ~HeldSlot() { release(); }
    HeldSlot(const HeldSlot&) = delete;
    HeldSlot& operator=(const HeldSlot&) = delete;

    // Leaves the slots; once, whatever asks again.
    void release() {
        if (held_) slots_.remove(holder_);
        held_ = false;
    }
    [[nodiscard]] ConnectionSlots& slots() const { return slots_; }
    [[nodiscard]] const std::string& peer() const { return peer_; }

private:
    ConnectionSlots& slots_;
    SlotHolder& holder_;
    std::string peer_;
    bool held_ = true;
};

}  // namespace vork
