#include "config/key_map_source.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>

#include "config/settings_file.h"

// C streams and stat, not iostreams and std::filesystem: in the static
// Windows program those bring in a megabyte of locale machinery.

namespace vork {

std::optional<FileStamp> fileStamp(const std::string& file) {
    struct stat status {};
    if (stat(file.c_str(), &status) != 0) return std::nullopt;
    return FileStamp{static_cast<std::int64_t>(status.st_mtime), static_cast<std::int64_t>(status.st_size)};
}

std::optional<std::string> readWholeFile(const std::string& file) {
    struct CloseFile {
        void operator()(std::FILE* stream) const { std::fclose(stream); }
    };
    const std::unique_ptr<std::FILE, CloseFile> stream(std::fopen(file.c_str(), "rb"));
    if (!stream) return std::nullopt;
    std::string text;
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, stream.get())) > 0) text.append(chunk, got);
    if (std::ferror(stream.get()) != 0) return std::nullopt;
    return text;
}

std::optional<std::string> KeyMapSource::load(bool mustExist) {
    if (!mustExist && !fileStamp(file_)) return std::nullopt;
    return read(file_);
}

std::optional<std::string> KeyMapSource::refresh() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return refresh(static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
}

std::optional<std::string> KeyMapSource::refresh(std::uint64_t nowMs) {
    if (lastCheckMs_ && nowMs - *lastCheckMs_ < CHECK_INTERVAL_MS) return std::nullopt;
    lastCheckMs_ = nowMs;
    const std::optional<FileStamp> stamp = fileStamp(file_);
    if (!stamp || stamp == readStamp_) return std::nullopt;  // gone or unchanged: keep what holds
    const std::size_t folder = file_.find_last_of("\\/");
    return read(folder == std::string::npos ? file_ : file_.substr(folder + 1));
}

std::optional<std::string> KeyMapSource::read(const std::string& shownAs) {
    readStamp_ = fileStamp(file_);
    const std::optional<std::string> text = readWholeFile(file_);
    if (!text) return shownAs + ": cannot be read";
    SettingsResult result = parseSettings(*text, shownAs);
    if (!result.settings) return result.error;
    keyMap_ = std::make_shared<const KeyMap>(std::move(result.settings->keyMap));
    web_ = result.settings->web;
    bluetooth_ = result.settings->bluetooth;
    return std::nullopt;
}

}  // namespace vork
