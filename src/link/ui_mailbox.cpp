#include "link/ui_mailbox.h"

#include <algorithm>

namespace vork {

namespace {

constexpr std::array<unsigned, 4> SLOT_MESSAGES = {WM_PHONE_STATUS, WM_PHONE_NOTICE,
                                                   WM_PHONE_REQUEST, WM_PHONE_COMMAND};

}  // namespace

bool UiMailbox::publish(Slot slot, std::string text) {
    const auto index = static_cast<std::size_t>(slot);
    std::uint64_t id = 0;
    {
        const std::lock_guard lock(mutex_);
        auto& queue = queues_[index];
        if (queue.size() >= QUEUE_LIMIT) return false;
        id = nextId_++;
        queue.push_back(Entry{id, std::move(text)});
    }
    // Never post under the lock: the window thread takes it to read.
    if (notifier_.post(SLOT_MESSAGES[index])) return true;

    // No message will come for this entry, so it must not stay to be read by
    // another notification.
    const std::lock_guard lock(mutex_);
    auto& queue = queues_[index];
    const auto own = std::find_if(queue.begin(), queue.end(),
                                  [id](const Entry& entry) { return entry.id == id; });
    if (own != queue.end()) queue.erase(own);
    return false;
}

std::string UiMailbox::take(Slot slot) {
    const std::lock_guard lock(mutex_);
    auto& queue = queues_[static_cast<std::size_t>(slot)];
    if (queue.empty()) return {};
    std::string text = std::move(queue.front().text);
    queue.pop_front();
    return text;
}

}  // namespace vork
