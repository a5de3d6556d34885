// Peers whose requests were declined or withdrawn wait before they may ask
// again, for 5 s the first time and twice as long each time after, up to
// 5 minutes: a peer that asks and leaves in a loop cannot keep the window
// busy. Not thread-safe; its owner locks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vork {

class RefusalBackoff {
public:
    static constexpr std::uint64_t FIRST_WAIT_MS = 5000;
    static constexpr std::uint64_t LONGEST_WAIT_MS = 300000;
    // Peers remembered at once. Past that the one with the shortest wait to
    // come (the oldest of those) is forgotten: new peers by the hundred
    // cannot reset a persistent one's wait.
    static constexpr std::size_t PEER_LIMIT = 256;

    // The peer must still wait.
    [[nodiscard]] bool refused(std::string_view peer, std::uint64_t nowMs) const { return waitLeftMs(peer, nowMs) > 0; }
    // How much longer the peer must wait; 0: not at all.
    [[nodiscard]] std::uint64_t waitLeftMs(std::string_view peer, std::uint64_t nowMs) const;
    // From now the peer waits, twice as long as last time.
    void penalise(std::string_view peer, std::uint64_t nowMs);
    // The user accepted the peer: no wait is owed.
    void forgive(std::string_view peer);

private:
    struct Peer {
        std::string name;
        std::uint64_t refusedUntilMs = 0;
        std::uint64_t nextWaitMs = FIRST_WAIT_MS;
    };

    std::vector<Peer> peers_;
};

}  // namespace vork
