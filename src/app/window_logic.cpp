#include "app/window_logic.h"

#include <type_traits>

namespace vork {

void WindowLogic::initialise() {
    router_.initialise();
    presenter_.initialise();
}

bool WindowLogic::handleWake(unsigned channel) {
    if (channel >= EVENT_QUEUES) return false;
    return mailbox_.takeWith(static_cast<EventQueue>(channel), [this](const auto& item) { handleOne(item); });
}

void WindowLogic::handle(const LinkEvent& event) {
    std::visit([this](const auto& item) { handleOne(item); }, event);
}

template <class Event>
void WindowLogic::handleOne(const Event& item) {
    if constexpr (std::is_same_v<Event, StatusEvent> || std::is_same_v<Event, NoticeEvent> ||
                  std::is_same_v<Event, RequestEvent>)
        presenter_.show(item);
    else if constexpr (std::is_same_v<Event, WithdrawnEvent>)
        presenter_.withdrawn(item.number);
    else if constexpr (std::is_same_v<Event, ServerEvent>)
        presenter_.showServer(item);
    else if constexpr (std::is_same_v<Event, SwitchWantedEvent>)
        actions_.switchWanted(item.on);
    else if constexpr (std::is_same_v<Event, ReleaseEvent>)
        router_.released(item.connection);
    else if constexpr (std::is_same_v<Event, GoneEvent>) {
        router_.departed(item.connection);
        presenter_.departed(item.connection);
    } else
        router_.run(item);
}

}  // namespace vork
