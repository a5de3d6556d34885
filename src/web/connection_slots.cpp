#include "web/connection_slots.h"

#include <algorithm>

namespace vork {

bool ConnectionSlots::admit(std::string_view peer) {
    std::size_t total = 0;
    std::size_t fromPeer = 0;
    Slot* oldest = nullptr;
    Slot* oldestFromPeer = nullptr;
    const auto older = [](const Slot& candidate, const Slot* than) {
        return candidate.holder->expendable() && (than == nullptr || candidate.openedAt < than->openedAt);
    };
    for (Slot& slot : open_) {
        if (slot.evicted) continue;
        ++total;
        if (older(slot, oldest)) oldest = &slot;
        if (slot.peer != peer) continue;
        ++fromPeer;
        if (older(slot, oldestFromPeer)) oldestFromPeer = &slot;
    }
    // A browser opens several connections at once: its own idle ones make
    // room first, so a host competes only with itself.
    if (fromPeer >= perAddress_) {
        if (oldestFromPeer == nullptr) return false;  // all its slots are paired pages
        evict(*oldestFromPeer);
        return true;
    }
    if (total < connections_) return true;
    if (oldest == nullptr) return false;  // every slot is a paired page: the newcomer waits
    evict(*oldest);
    return true;
}

void ConnectionSlots::add(SlotHolder& holder, std::string peer, Clock::time_point openedAt) {
    open_.push_back({&holder, std::move(peer), openedAt});
}

void ConnectionSlots::remove(const SlotHolder& holder) {
    std::erase_if(open_, [&holder](const Slot& slot) { return slot.holder == &holder; });
}

void ConnectionSlots::evictAll() {
    // Looked for afresh each time: evicting one may end others at once.
    for (;;) {
        const auto next = std::find_if(open_.begin(), open_.end(), [](const Slot& slot) { return !slot.evicted; });
        if (next == open_.end()) return;
        evict(*next);
    }
}

void ConnectionSlots::evict(Slot& slot) {
    slot.evicted = true;
    slot.holder->evict();
}

}  // namespace vork
