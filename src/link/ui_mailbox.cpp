#include "link/ui_mailbox.h"

#include <utility>

namespace vork {

namespace {

constexpr std::size_t KEPT_TEXT_CAPACITY = 256;

constexpr std::array<unsigned, 5> SLOT_MESSAGES = {WM_PHONE_STATUS, WM_PHONE_NOTICE, WM_PHONE_REQUEST,
                                                   WM_PHONE_COMMAND, WM_WEB_INPUT};

}  // namespace

UiMailbox::UiMailbox(Notifier& notifier) : notifier_(notifier) {
    for (Queue& queue : queues_) queue.entries.resize(QUEUE_LIMIT);
}

UiMailbox::UiMailbox(std::shared_ptr<Notifier> notifier) : UiMailbox(*notifier) {
    ownedNotifier_ = std::move(notifier);
}

Notice UiMailbox::readNotice() {
    Entry rest;
    Notice notice;
    notice.text = take(Slot::Notice, &rest);
    notice.warning = rest.number != 0;
    return notice;
}

PhoneRequest UiMailbox::readRequest() {
    Entry rest;
    PhoneRequest request;
    request.name = take(Slot::Request, &rest);
    request.number = rest.number;
    request.origin = rest.origin;
    return request;
}

LinkText UiMailbox::takeText(Slot slot) {
    Entry rest;
    LinkText text;
    text.text = take(slot, &rest);
    text.origin = rest.origin;
    text.detail = std::move(rest.detail);
    return text;
}

bool UiMailbox::publishWebInput(const WebInput& input) {
    return publish(Slot::Web, input.command, LinkOrigin{LinkKind::Browser, input.page},
                   static_cast<std::uint32_t>(input.kind), input.dx, input.dy);
}

WebInput UiMailbox::readWebInput() {
    Entry rest;
    WebInput input;
    input.command = take(Slot::Web, &rest);
    input.kind = static_cast<WebInput::Kind>(rest.number);
    input.dx = rest.dx;
    input.dy = rest.dy;
    input.page = rest.origin.connection;
    return input;
}

bool UiMailbox::publish(Slot slot, std::string_view text, LinkOrigin origin, std::uint32_t number, std::int32_t dx,
                        std::int32_t dy, std::string_view detail) {
    const auto index = static_cast<std::size_t>(slot);
    std::uint64_t id = 0;
    {
        const std::lock_guard lock(mutex_);
        Queue& queue = queues_[index];
        if (queue.count >= QUEUE_LIMIT) return false;
        id = nextId_++;
        Entry& entry = queue.at(queue.count++);
        entry.id = id;
        entry.number = number;
        entry.origin = origin;
        entry.text.assign(text);
        entry.detail.assign(detail);
        entry.dx = dx;
        entry.dy = dy;
    }
    // Never post under the lock: the window thread takes it to read.
    if (notifier_.post(SLOT_MESSAGES[index])) return true;

    // No message will come for this entry, so it must not stay to be read by
    // another notification.
    const std::lock_guard lock(mutex_);
    Queue& queue = queues_[index];
    for (std::size_t i = 0; i < queue.count; ++i) {
        if (queue.at(i).id != id) continue;
        for (std::size_t later = i; later + 1 < queue.count; ++later) std::swap(queue.at(later), queue.at(later + 1));
        --queue.count;
        break;
    }
    return false;
}

std::string UiMailbox::take(Slot slot, Entry* rest) {
    const std::lock_guard lock(mutex_);
    Queue& queue = queues_[static_cast<std::size_t>(slot)];
    if (queue.count == 0) return {};
    Entry& front = queue.at(0);
    if (rest) {
        rest->number = front.number;
        rest->origin = front.origin;
        rest->detail = front.detail;
        rest->dx = front.dx;
        rest->dy = front.dy;
    }
    std::string text(front.text);  // the entry keeps its buffer for reuse
    // ...unless a paste grew it: a full ring of those would hold megabytes.
    if (front.text.capacity() > KEPT_TEXT_CAPACITY) std::string().swap(front.text);
    queue.head = (queue.head + 1) % queue.entries.size();
    --queue.count;
    return text;
}

}  // namespace vork
