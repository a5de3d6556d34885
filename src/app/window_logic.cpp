#include "app/window_logic.h"

#include <type_traits>

namespace vork {

namespace {

// What the card's buttons do where no player can take them: the media keys.
MediaEvent mediaKeyOf(const PlayerEvent& event) {
    const MediaKey key = event.action == PlayerEvent::Action::Next       ? MediaKey::Next
                         : event.action == PlayerEvent::Action::Previous ? MediaKey::Previous
                                                                         : MediaKey::PlayPause;
    return MediaEvent{event.page, static_cast<std::uint8_t>(key)};
}

}  // namespace

void WindowLogic::initialise() {
    router_.initialise();
    nowPlaying_.initialise();
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
        nowPlaying_.departed(item.connection);
    } else if constexpr (std::is_same_v<Event, VisibleEvent>) {
        router_.run(item);
        nowPlaying_.pageShown(item.page, item.shown);
    } else if constexpr (std::is_same_v<Event, PlayerEvent>) {
        if (!nowPlaying_.run(item)) router_.run(mediaKeyOf(item));
    } else
        router_.run(item);
}

}  // namespace vork
