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
    // The texts are written into the queue's own buffers, which they keep.
    bool publishStatus(LinkOrigin origin, std::string_view text, std::string_view detail = {}) {
        return publishInPlace<StatusEvent>(EventQueue::Status, [&](StatusEvent& status) {
            status.origin = origin;
            status.text.assign(text);
            status.detail.assign(detail);
        });
    }
    bool publishNotice(std::string_view text) { return publishNotice(text, false); }
    bool publishWarning(std::string_view text) { return publishNotice(text, true); }
    bool publishRequest(LinkOrigin origin, RequestNumber number, std::string_view name) {
        return publishInPlace<RequestEvent>(EventQueue::Request, [&](RequestEvent& request) {
            request.number = number;
            request.origin = origin;
            request.name.assign(name);
        });
    }
    bool publishCommand(LinkOrigin origin, std::string_view text) {
        const EventQueue queue = origin.kind == LinkKind::Browser ? EventQueue::Page : EventQueue::Command;
        return publishInPlace<CommandEvent>(queue, [&](CommandEvent& command) {
            command.origin = origin;
            command.command.assign(text);
        });
    }
    bool publishRelease(ConnectionId connection) { return publish(ReleaseEvent{connection}); }
    bool publishDeparture(ConnectionId connection) { return publish(GoneEvent{connection}); }
    bool publishWithdrawn(RequestNumber number) { return publish(WithdrawnEvent{number}); }
    bool publishWebServer(WebServerState state, std::uint16_t port) { return publish(ServerEvent{state, port}); }
    bool publishSwitchWanted(bool on) { return publish(SwitchWantedEvent{on}); }

    // Hands the oldest event of the queue a wake named to `handle`, as its
    // own type and outside the lock; false when the queue is empty.
    template <class Handler>
    bool takeWith(EventQueue queue, Handler&& handle) {
        std::unique_lock lock(mutex_);
        LinkEvent* oldest = oldestOf(queue);
        if (!oldest) return false;
        std::visit(
            [&](auto& kept) {
                // Moved out: a short text costs nothing, a long one one
                // allocation here or at the next publish, and no slot keeps
                // a paste's megabytes.
                auto event = std::move(kept);
                dropOldest(queue);
                lock.unlock();
                handle(event);
            },
            *oldest);
        return true;
    }
    // The same, as a whole event; none when the queue is empty.
    std::optional<LinkEvent> take(EventQueue queue);

private:
    bool publishNotice(std::string_view text, bool warning) {
        return publishInPlace<NoticeEvent>(EventQueue::Notice, [&](NoticeEvent& notice) {
            notice.text.assign(text);
            notice.warning = warning;
        });
    }
    // Fills the next slot of a ring (`queue` is never the signals') with an
    // event of its sort, reusing what the slot held.
    template <class Event, class Fill>
    bool publishInPlace(EventQueue queue, Fill&& fill) {
        std::uint64_t id = 0;
        {
            const std::lock_guard lock(mutex_);
            LinkEvent* slot = nextSlot(queue, id);
            if (!slot) return false;
            if (!std::holds_alternative<Event>(*slot)) slot->emplace<Event>();
            fill(std::get<Event>(*slot));
        }
        return wakeFor(queue, id);
    }
    // Under the lock: the ring's next free slot, given a new id; none when the ring is full.
    LinkEvent* nextSlot(EventQueue queue, std::uint64_t& id);
    // Under the lock: the queue's oldest event, and its removal.
    LinkEvent* oldestOf(EventQueue queue);
    void dropOldest(EventQueue queue);
    // Wakes the window for the event just queued, or takes it back when no wake can come.
    bool wakeFor(EventQueue queue, std::uint64_t id);

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
