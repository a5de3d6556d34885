#include "link/refusal_backoff.h"

#include <algorithm>

namespace vork {

std::uint64_t RefusalBackoff::waitLeftMs(std::string_view peer, std::uint64_t nowMs) const {
    for (const Peer& known : peers_)
        if (known.name == peer) return nowMs < known.refusedUntilMs ? known.refusedUntilMs - nowMs : 0;
    return 0;
}

void RefusalBackoff::penalise(std::string_view peer, std::uint64_t nowMs) {
    // A peer that kept quiet for the longest wait after its last one starts afresh.
    std::erase_if(peers_, [nowMs](const Peer& known) { return nowMs >= known.refusedUntilMs + LONGEST_WAIT_MS; });
    auto known = std::find_if(peers_.begin(), peers_.end(), [peer](const Peer& entry) { return entry.name == peer; });
    if (known == peers_.end()) {
        if (peers_.size() >= PEER_LIMIT)
            peers_.erase(std::min_element(peers_.begin(), peers_.end(), [](const Peer& a, const Peer& b) {
                if (a.nextWaitMs != b.nextWaitMs) return a.nextWaitMs < b.nextWaitMs;
                return a.refusedUntilMs < b.refusedUntilMs;
            }));
        peers_.push_back(Peer{std::string(peer)});
        known = std::prev(peers_.end());
    }
    known->refusedUntilMs = nowMs + known->nextWaitMs;
    known->nextWaitMs = std::min(known->nextWaitMs * 2, LONGEST_WAIT_MS);
}

void RefusalBackoff::forgive(std::string_view peer) {
    std::erase_if(peers_, [peer](const Peer& known) { return known.name == peer; });
}

}  // namespace vork
