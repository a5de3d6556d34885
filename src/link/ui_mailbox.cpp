#include "link/ui_mailbox.h"

#include <string>
#include <type_traits>
#include <utility>

namespace vork {

namespace {

// The queue of each sort of event, by the variant's index.
constexpr std::array<EventQueue, std::variant_size_v<LinkEvent>> QUEUES = {
    EventQueue::Status, EventQueue::Notice, EventQueue::Request,
    EventQueue::Command,  // CommandEvent: a page's go with its other input (below)
    EventQueue::Page,   EventQueue::Page,   EventQueue::Page,    EventQueue::Page, EventQueue::Page, EventQueue::Page,
    EventQueue::Page,   EventQueue::Page,   EventQueue::Page,    EventQueue::Signal, EventQueue::Signal,
    EventQueue::Signal, EventQueue::Signal, EventQueue::Signal,
};
static_assert(std::is_same_v<std::variant_alternative_t<4, LinkEvent>, TypedEvent> &&
              std::is_same_v<std::variant_alternative_t<12, LinkEvent>, PlayerEvent> &&
              std::is_same_v<std::variant_alternative_t<13, LinkEvent>, ReleaseEvent> &&
              std::is_same_v<std::variant_alternative_t<17, LinkEvent>, SwitchWantedEvent>);

}  // namespace

EventQueue queueOf(const LinkEvent& event) {
    const auto* command = std::get_if<CommandEvent>(&event);
    if (command && command->origin.kind == LinkKind::Browser) return EventQueue::Page;
    return QUEUES[event.index()];
}

UiMailbox::UiMailbox(Notifier& notifier) : notifier_(notifier) {
    for (Ring& ring : rings_) {
        ring.events.resize(QUEUE_LIMIT);
        ring.ids.resize(QUEUE_LIMIT);
    }
}

UiMailbox::UiMailbox(std::shared_ptr<Notifier> notifier) : UiMailbox(*notifier) {
    ownedNotifier_ = std::move(notifier);
}

LinkEvent* UiMailbox::nextSlot(EventQueue queue, std::uint64_t& id) {
    Ring& ring = rings_[static_cast<std::size_t>(queue)];
    if (ring.count >= QUEUE_LIMIT) return nullptr;
    id = nextId_++;
    const std::size_t at = (ring.head + ring.count++) % QUEUE_LIMIT;
    ring.ids[at] = id;
    return &ring.events[at];
}

bool UiMailbox::publish(LinkEvent event) {
    const EventQueue queue = queueOf(event);
    std::uint64_t id = 0;
    {
        const std::lock_guard lock(mutex_);
        if (queue == EventQueue::Signal) {
            id = nextId_++;
            signals_.push_back(Signal{id, std::move(event)});
        } else {
            LinkEvent* slot = nextSlot(queue, id);
            if (!slot) return false;
            *slot = std::move(event);
        }
    }
    return wakeFor(queue, id);
}

bool UiMailbox::wakeFor(EventQueue queue, std::uint64_t id) {
    // Never wake under the lock: the window thread takes it to read.
    if (notifier_.wake(static_cast<unsigned>(queue))) return true;

    // No wake will come for this event, so it must not stay to be read by another.
    const std::lock_guard lock(mutex_);
    if (queue == EventQueue::Signal) {
        std::erase_if(signals_, [id](const Signal& signal) { return signal.id == id; });
        return false;
    }
    Ring& ring = rings_[static_cast<std::size_t>(queue)];
    for (std::size_t i = 0; i < ring.count; ++i) {
        const std::size_t at = (ring.head + i) % QUEUE_LIMIT;
        if (ring.ids[at] != id) continue;
        for (std::size_t later = i; later + 1 < ring.count; ++later) {
            const std::size_t here = (ring.head + later) % QUEUE_LIMIT;
            const std::size_t next = (here + 1) % QUEUE_LIMIT;
            std::swap(ring.events[here], ring.events[next]);
            std::swap(ring.ids[here], ring.ids[next]);
        }
        --ring.count;
        break;
    }
    return false;
}

LinkEvent* UiMailbox::oldestOf(EventQueue queue) {
    if (queue == EventQueue::Signal) return signals_.empty() ? nullptr : &signals_.front().event;
    Ring& ring = rings_[static_cast<std::size_t>(queue)];
    return ring.count == 0 ? nullptr : &ring.events[ring.head];
}

void UiMailbox::dropOldest(EventQueue queue) {
    if (queue == EventQueue::Signal) {
        signals_.pop_front();
        return;
    }
    Ring& ring = rings_[static_cast<std::size_t>(queue)];
    ring.head = (ring.head + 1) % QUEUE_LIMIT;
    --ring.count;
}

std::optional<LinkEvent> UiMailbox::take(EventQueue queue) {
    std::optional<LinkEvent> event;
    takeWith(queue, [&](auto& taken) { event.emplace(std::move(taken)); });
    return event;
}

}  // namespace vork
