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
    std::string key;           // a browser's long-term key (hex): it never leaves Vork after pairing
    std::int64_t lastSeen = 0;  // Unix seconds; 0: never
    friend bool operator==(const TrustedDevice&, const TrustedDevice&) = default;
};

inline constexpr std::string_view PAIRINGS_DAMAGED_NOTICE = "Paired phones were lost (damaged file)";

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

    void trustBrowser(std::string_view name, std::string_view id, std::string_view key);
    // The browser with this id, its key included; every id is compared in full.
    std::optional<TrustedDevice> browser(std::string_view id) const;
    // The browser connected again: seen now.
    void browserSeen(std::string_view id);
    void forgetBrowser(std::string_view id);
    [[nodiscard]] std::size_t browsers() const;

    // For the Connect page: every device, ids and keys left out.
    [[nodiscard]] std::vector<TrustedDevice> list() const;
    bool forget(std::uint64_t id);
    void forgetAll();

private:
    // Under the lock: writes what the file keeps, when it has a file.
    void saveLocked();
    std::int64_t nowLocked() const { return now_ ? now_() : 0; }

    SecretFile* file_;
    WallClock now_;
    mutable std::mutex mutex_;
    std::vector<TrustedDevice> devices_;
    std::uint64_t lastId_ = 0;
    bool keepPhones_ = false;
};

// Equal texts of the same length, in a time that depends only on the length.
bool equalInConstantTime(std::string_view a, std::string_view b);

// The pairings file's text: a header line, then one line per device.
std::string encodePairings(const std::vector<TrustedDevice>& devices);
// None when the text is not a pairings file of this version.
std::optional<std::vector<TrustedDevice>> decodePairings(std::string_view text);

}  // namespace vork
