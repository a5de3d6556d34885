// The phones and browsers the user trusts, shared by the links (which admit
// them), the Connect page (which lists and forgets them) and the pairings
// file (which keeps them over a restart). One mutex; everything is copied out.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/secret_file.h"

namespace vork {

enum class DeviceKind : std::uint8_t { Bluetooth, Browser };

struct TrustedDevice {
    std::uint64_t id = 0;  // for forgetting one from the Connect page
    DeviceKind kind = DeviceKind::Browser;
    std::string name;
    std::string address;       // a phone's Bluetooth address
    std::string secret;        // a browser's id (hex), by which it says who it is
    // A browser's long-term key (hex), given sealed and never sent again. Vork
    // gives it a new one at the end of every handshake (`nextKey`, numbered
    // keyNumber + 1) and keeps the old one until the browser has the new one.
    std::string key;
    std::uint64_t keyNumber = 1;
    std::string nextKey;
    // Keys the browser has moved on from, newest first (numbers keyNumber - 1,
    // keyNumber - 2, ...): they let nobody in, they only recognise a copy.
    std::vector<std::string> retiredKeys;
    std::int64_t lastSeen = 0;  // Unix seconds; 0: never
    std::string lastAddress;    // where a browser was last seen from
    friend bool operator==(const TrustedDevice&, const TrustedDevice&) = default;
};

// Which of a browser's keys a number names.
enum class KeyStanding { Unknown, Current, Next, Retired };
struct BrowserKey {
    KeyStanding standing = KeyStanding::Unknown;
    std::string key;  // hex
    std::string name;
};

inline constexpr std::string_view PAIRINGS_DAMAGED_NOTICE = "Paired phones were lost (damaged file)";
inline constexpr std::size_t RETIRED_KEYS_KEPT = 8;
inline constexpr std::int64_t UNUSED_PAIRING_SECONDS = std::int64_t{90} * 24 * 60 * 60;
inline constexpr std::size_t WARNINGS_KEPT = 5;

// "A copy of Pixel 7's key was used from 192.168.1.37; the phone was forgotten, pair it again".
std::string copiedKeyWarning(std::string_view name, std::string_view address);

class TrustedDevices {
public:
    using WallClock = std::function<std::int64_t()>;  // Unix seconds

    // file: where the pairings outlive a restart, or none.
    explicit TrustedDevices(SecretFile* file = nullptr, WallClock now = {});

    // Reads the file; the notice to show once when it was damaged.
    std::optional<std::string> load();
    // A Bluetooth phone is remembered in the file only when the user asks for it.
    void setKeepPhones(bool keep) { keepPhones_ = keep; }

    // The phone the user accepted last: it replaces any earlier one.
    void trustPhone(std::string_view name, std::string_view address);
    // Whether this name from this device is the trusted phone; seen now if so.
    bool phoneTrusted(std::string_view name, std::string_view address);
    // The trusted phone, if any (its secret empty).
    [[nodiscard]] std::optional<TrustedDevice> phone() const;
    void forgetPhone();

    // A browser paired: its first key, number 1.
    void trustBrowser(std::string_view name, std::string_view id, std::string_view key, std::string_view address = {});
    // The browser with this id, its keys included; every id is compared in
    // full, and only browsers match. A pairing unused for 90 days has expired.
    std::optional<TrustedDevice> browser(std::string_view id);
    // The browser's key with this number and how it stands.
    BrowserKey browserKey(std::string_view id, std::uint64_t number);
    // The key to give the browser next, with its number: the one already on
    // its way if there is one (another tab of the same browser), else
    // `fresh`. Written to the file before it is sent. None for no such browser.
    std::optional<std::pair<std::uint64_t, std::string>> nextKey(std::string_view id, std::string_view fresh);
    // The browser holds its next key: it becomes its key, the old one retires.
    bool nextKeyHeld(std::string_view id, std::uint64_t number);
    // The browser connected again: seen now, from there.
    void browserSeen(std::string_view id, std::string_view address = {});
    // Still trusted: not forgotten, caught as a copy or expired.
    bool knowsBrowser(std::string_view id);
    void forgetBrowser(std::string_view id);
    // A retired key came back: someone holds a copy. The browser is forgotten
    // and the warning kept for the Connect page; the warning is returned.
    std::string forgetCopied(std::string_view id, std::string_view address);
    [[nodiscard]] std::size_t browsers() const;
    // The latest warnings about copied keys, newest first.
    [[nodiscard]] std::vector<std::string> warnings() const;

    // For the Connect page: every device, ids and keys left out.
    [[nodiscard]] std::vector<TrustedDevice> list() const;
    // The same with the warnings, as one moment saw both.
    struct Summary {
        std::vector<TrustedDevice> devices;
        std::vector<std::string> warnings;
    };
    [[nodiscard]] Summary summary() const;
    bool forget(std::uint64_t id);
    void forgetAll();

private:
    // Under the lock: writes what the file keeps, when it has a file.
    void saveLocked();
    std::int64_t nowLocked() const { return now_ ? now_() : 0; }
    // Under the lock: the browser with this id, none once its pairing expired.
    TrustedDevice* browserLocked(std::string_view id);

    SecretFile* file_;
    WallClock now_;
    mutable std::mutex mutex_;
    std::vector<TrustedDevice> devices_;
    std::uint64_t lastId_ = 0;
    bool keepPhones_ = false;
    std::vector<std::string> warnings_;
};

// Equal texts of the same length, in a time that depends only on the length.
bool equalInConstantTime(std::string_view a, std::string_view b);

// The pairings file's text: a header line, then one line per device.
std::string encodePairings(const std::vector<TrustedDevice>& devices);
// None when the text is not a pairings file of this version or the last.
std::optional<std::vector<TrustedDevice>> decodePairings(std::string_view text);

}  // namespace vork
