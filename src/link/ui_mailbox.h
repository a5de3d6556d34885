// Hands the links' events to the window thread: each publish queues its
// event and wakes the window once for it; each wake takes the oldest event of
// its queue. A queue that is full drops what comes (the publisher hears so);
// the signals (releases, departures, withdrawals, the server's state) are
// never dropped.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "link/link_events.h"
#include "platform/notifier.h"

namespace vork {

class UiMailbox {
public:
    static constexpr std::size_t QUEUE_LIMIT = 1024;

    // The caller keeps the notifier alive for the mailbox's whole life.
    explicit UiMailbox(Notifier& notifier);
    // The mailbox keeps the notifier alive, so a link thread that holds the
    // mailbox can post for as long as it runs.
    explicit UiMailbox(std::shared_ptr<Notifier> notifier);

    // False when the event was dropped (its queue is full) or the window could not be woken.
    bool publish(LinkEvent event);
    bool publishStatus(LinkOrigin origin, std::string_view text, std::string_view detail = {}) {
        return publish(StatusEvent{origin, std::string(text), std::string(detail)});
    }
    bool publishNotice(std::string_view text) { return publish(NoticeEvent{std::string(text), false}); }
    bool publishWarning(std::string_view text) { return publish(NoticeEvent{std::string(text), true}); }
    bool publishRequest(LinkOrigin origin, RequestNumber number, std::string_view name) {
        return publish(RequestEvent{number, origin, std::string(name)});
    }
    bool publishCommand(LinkOrigin origin, std::string_view text) {
        return publish(CommandEvent{origin, std::string(text)});
    }
    bool publishRelease(ConnectionId connection) { return publish(ReleaseEvent{connection}); }
    bool publishDeparture(ConnectionId connection) { return publish(GoneEvent{connection}); }
    bool publishWithdrawn(RequestNumber number) { return publish(WithdrawnEvent{number}); }
    bool publishWebServer(WebServerState state, std::uint16_t port) { return publish(ServerEvent{state, port}); }
    bool publishSwitchWanted(bool on) { return publish(SwitchWantedEvent{on}); }

    // The oldest event of the queue a wake named; none when it is empty.
    std::optional<LinkEvent> take(EventQueue queue);

private:
    // A fixed ring of QUEUE_LIMIT events: a steady flow of short ones allocates nothing.
    struct Ring {
        std::vector<LinkEvent> events;
        std::size_t head = 0;
        std::size_t count = 0;
        std::vector<std::uint64_t> ids;
    };

    std::shared_ptr<Notifier> ownedNotifier_;
    Notifier& notifier_;
    std::mutex mutex_;
    std::uint64_t nextId_ = 0;
    std::array<Ring, EVENT_QUEUES - 1> rings_;
    struct Signal {
        std::uint64_t id = 0;
        LinkEvent event;
    };
    std::deque<Signal> signals_;
};

}  // namespace vork
