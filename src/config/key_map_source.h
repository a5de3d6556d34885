// The settings file as the running program sees it: read at start-up, read
// again when it has changed (looked at when a command arrives, at most once a
// second), and never half applied: a file that cannot be used leaves the last
// good key map in force.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "config/key_map.h"
#include "config/settings_file.h"

namespace vork {

// When a file was last written (seconds) and its size; none when it cannot be asked.
struct FileStamp {
    std::int64_t modified = 0;
    std::int64_t size = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
std::optional<FileStamp> fileStamp(const std::string& file);

// The whole file's text; none when it cannot be read.
std::optional<std::string> readWholeFile(const std::string& file);

class KeyMapSource {
public:
    static constexpr std::uint64_t CHECK_INTERVAL_MS = 1000;

    explicit KeyMapSource(std::string file) : file_(std::move(file)) {}

    // The first reading; the problem to show, if any, naming the file by its
    // path (the built-in table then holds). A file that need not exist yet
    // is followed all the same: created later, it is read then.
    std::optional<std::string> load(bool mustExist = true);
    // When a command arrives; the problem to show when a changed file cannot
    // be used, naming the file by its name alone, for the status line.
    std::optional<std::string> refresh(std::uint64_t nowMs);
    std::optional<std::string> refresh();

    // Null while no file could be used: the built-in behaviour alone.
    [[nodiscard]] std::shared_ptr<const KeyMap> keyMap() const { return keyMap_; }
    [[nodiscard]] const std::string& file() const { return file_; }
    // The browser remote's settings as last read; the program uses those of
    // its start-up (a changed port takes effect at the next start).
    [[nodiscard]] const WebSettings& web() const { return web_; }
    [[nodiscard]] const BluetoothSettings& bluetooth() const { return bluetooth_; }

private:
    // `shownAs`: how the problem names the file.
    std::optional<std::string> read(const std::string& shownAs);

    std::string file_;
    std::shared_ptr<const KeyMap> keyMap_;
    WebSettings web_;
    BluetoothSettings bluetooth_;
    std::optional<FileStamp> readStamp_;
    std::optional<std::uint64_t> lastCheckMs_;
};

}  // namespace vork
