// The keys of a keyboard's media row, which act on the PC's volume and its
// player whatever window is in front.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vork {

enum class MediaKey : std::int32_t { VolumeUp, VolumeDown, Mute, Previous, PlayPause, Next };

struct MediaKeyEntry {
    std::string_view word;  // as the browser page names it
    MediaKey key;
    std::string_view keys;  // in the key language
};

inline constexpr std::array<MediaKeyEntry, 6> MEDIA_KEYS = {{
    {"volume-up", MediaKey::VolumeUp, "{VOLUME_UP}"},
    {"volume-down", MediaKey::VolumeDown, "{VOLUME_DOWN}"},
    {"mute", MediaKey::Mute, "{VOLUME_MUTE}"},
    {"previous", MediaKey::Previous, "{MEDIA_PREV_TRACK}"},
    {"play-pause", MediaKey::PlayPause, "{MEDIA_PLAY_PAUSE}"},
    {"next", MediaKey::Next, "{MEDIA_NEXT_TRACK}"},
}};

constexpr std::optional<MediaKey> mediaKeyNamed(std::string_view word) {
    for (const MediaKeyEntry& entry : MEDIA_KEYS)
        if (entry.word == word) return entry.key;
    return std::nullopt;
}

constexpr std::string_view mediaKeyText(MediaKey key) {
    for (const MediaKeyEntry& entry : MEDIA_KEYS)
        if (entry.key == key) return entry.keys;
    return {};
}

}  // namespace vork
