#include "config/key_map_source.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <system_error>

#include "config/settings_file.h"

namespace vork {

std::optional<std::string> readWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return text;
}

std::optional<std::string> KeyMapSource::load() { return read(); }

std::optional<std::string> KeyMapSource::refresh() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return refresh(static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
}

std::optional<std::string> KeyMapSource::refresh(std::uint64_t nowMs) {
    if (lastCheckMs_ && nowMs - *lastCheckMs_ < CHECK_INTERVAL_MS) return std::nullopt;
    lastCheckMs_ = nowMs;
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(file_, error);
    if (error || (readTime_ && *readTime_ == modified)) return std::nullopt;  // gone or unchanged: keep what holds
    return read();
}

std::optional<std::string> KeyMapSource::read() {
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(file_, error);
    const std::string name = file_.filename().string();
    if (error) return name + ": cannot be read (" + error.message() + ")";
    readTime_ = modified;
    const std::optional<std::string> text = readWholeFile(file_);
    if (!text) return name + ": cannot be read";
    SettingsResult result = parseSettings(*text, file_.string());
    if (!result.settings) return result.error;
    keyMap_ = std::make_shared<const KeyMap>(std::move(result.settings->keyMap));
    return std::nullopt;
}

}  // namespace vork
