#include "link/trusted_devices.h"

#include <algorithm>
#include <charconv>
#include <chrono>

namespace vork {

namespace {

constexpr std::string_view PAIRINGS_HEADER = "vork pairings 2";
constexpr std::string_view HEX_DIGITS = "0123456789ABCDEF";

std::int64_t systemSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// Spaces, line ends, control bytes and '%' as %XX: a field never holds the separators.
std::string escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || c == '%') {
            out.push_back('%');
            out.push_back(HEX_DIGITS[byte >> 4]);
            out.push_back(HEX_DIGITS[byte & 0x0F]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const std::size_t high = HEX_DIGITS.find(text[i + 1]);
        const std::size_t low = HEX_DIGITS.find(text[i + 2]);
        if (high == std::string_view::npos || low == std::string_view::npos) return std::nullopt;
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

bool isHex(std::string_view text) {
    return !text.empty() && text.size() % 2 == 0 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t space = line.find(' ', start);
        parts.push_back(line.substr(start, space - start));
        if (space == std::string_view::npos) return parts;
        start = space + 1;
    }
}

}  // namespace

bool equalInConstantTime(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;  // every secret has the same, public, length
    unsigned difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]);
    return difference == 0;
}

std::string encodePairings(const std::vector<TrustedDevice>& devices) {
    std::string text(PAIRINGS_HEADER);
    text.push_back('\n');
    for (const TrustedDevice& device : devices) {
        const bool browser = device.kind == DeviceKind::Browser;
        text.append(browser ? "browser " : "bluetooth ")
            .append(std::to_string(device.lastSeen))
            .append(" ")
            .append(escaped(browser ? device.secret : device.address))
            .append(" ")
            .append(browser ? escaped(device.key) : "-")
            .append(" ")
            .append(escaped(device.name))
            .append("\n");
    }
    return text;
}

std::optional<std::vector<TrustedDevice>> decodePairings(std::string_view text) {
    if (!text.starts_with(PAIRINGS_HEADER) || text.substr(PAIRINGS_HEADER.size()).substr(0, 1) != "\n")
        return std::nullopt;
    text.remove_prefix(PAIRINGS_HEADER.size() + 1);
    std::vector<TrustedDevice> devices;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;  // cut short
        const std::vector<std::string_view> parts = fields(text.substr(0, end));
        text.remove_prefix(end + 1);
        if (parts.size() != 5 || (parts[0] != "browser" && parts[0] != "bluetooth")) return std::nullopt;
        TrustedDevice device;
        device.kind = parts[0] == "browser" ? DeviceKind::Browser : DeviceKind::Bluetooth;
        const auto [last, error] = std::from_chars(parts[1].data(), parts[1].data() + parts[1].size(), device.lastSeen);
        if (error != std::errc() || last != parts[1].data() + parts[1].size()) return std::nullopt;
        const std::optional<std::string> who = unescaped(parts[2]);
        const std::optional<std::string> key = unescaped(parts[3]);
        const std::optional<std::string> name = unescaped(parts[4]);
        const bool browser = device.kind == DeviceKind::Browser;
        if (!who || !key || !name || who->empty() || (browser && (!isHex(*who) || !isHex(*key)))) return std::nullopt;
        (browser ? device.secret : device.address) = *who;
        if (browser) device.key = *key;
        device.name = *name;
        devices.push_back(std::move(device));
    }
    return devices;
}

TrustedDevices::TrustedDevices(SecretFile* file, WallClock now)
    : file_(file), now_(now ? std::move(now) : WallClock(systemSeconds)) {}

std::optional<std::string> TrustedDevices::load() {
    if (!file_) return std::nullopt;
    std::string text;
    const SecretFile::Reading reading = file_->read(text);
    if (reading == SecretFile::Reading::Missing) return std::nullopt;
    const std::optional<std::vector<TrustedDevice>> decoded =
        reading == SecretFile::Reading::Read ? decodePairings(text) : std::nullopt;
    const std::lock_guard lock(mutex_);
    devices_.clear();
    if (!decoded) return std::string(PAIRINGS_DAMAGED_NOTICE);
    for (TrustedDevice device : *decoded) {
        // A phone kept while the settings asked for it is dropped once they no longer do.
        if (device.kind == DeviceKind::Bluetooth && !keepPhones_) continue;
        device.id = ++lastId_;
        devices_.push_back(std::move(device));
    }
    return std::nullopt;
}

void TrustedDevices::trustPhone(std::string_view name, std::string_view address) {
    const std::lock_guard lock(mutex_);
    std::erase_if(devices_, [](const TrustedDevice& device) { return device.kind == DeviceKind::Bluetooth; });
    devices_.push_back(TrustedDevice{++lastId_, DeviceKind::Bluetooth, std::string(name), std::string(address), {},
                                     {}, nowLocked()});
    if (keepPhones_) saveLocked();
}

bool TrustedDevices::phoneTrusted(std::string_view name, std::string_view address) {
    const std::lock_guard lock(mutex_);
    for (TrustedDevice& device : devices_) {
        if (device.kind != DeviceKind::Bluetooth || device.name != name || device.address != address) continue;
        device.lastSeen = nowLocked();
        if (keepPhones_) saveLocked();
        return true;
    }
    return false;
}

std::optional<TrustedDevice> TrustedDevices::phone() const {
    const std::lock_guard lock(mutex_);
    for (const TrustedDevice& device : devices_)
        if (device.kind == DeviceKind::Bluetooth) return device;
    return std::nullopt;
}

void TrustedDevices::forgetPhone() {
    const std::lock_guard lock(mutex_);
    if (std::erase_if(devices_, [](const TrustedDevice& device) { return device.kind == DeviceKind::Bluetooth; }) > 0 &&
        keepPhones_)
        saveLocked();
}

void TrustedDevices::trustBrowser(std::string_view name, std::string_view id, std::string_view key) {
    const std::lock_guard lock(mutex_);
    devices_.push_back(TrustedDevice{++lastId_, DeviceKind::Browser, std::string(name), {}, std::string(id),
                                     std::string(key), nowLocked()});
    saveLocked();
}

std::optional<TrustedDevice> TrustedDevices::browser(std::string_view id) const {
    const std::lock_guard lock(mutex_);
    const TrustedDevice* match = nullptr;
    for (const TrustedDevice& device : devices_)
        if (device.kind == DeviceKind::Browser && equalInConstantTime(device.secret, id) && !match) match = &device;
    return match ? std::optional(*match) : std::nullopt;
}

void TrustedDevices::browserSeen(std::string_view id) {
    const std::lock_guard lock(mutex_);
    for (TrustedDevice& device : devices_) {
        if (device.kind != DeviceKind::Browser || device.secret != id) continue;
        device.lastSeen = nowLocked();
        saveLocked();
        return;
    }
}

void TrustedDevices::forgetBrowser(std::string_view id) {
    const std::lock_guard lock(mutex_);
    if (std::erase_if(devices_, [id](const TrustedDevice& device) {
            return device.kind == DeviceKind::Browser && equalInConstantTime(device.secret, id);
        }) > 0)
        saveLocked();
}

std::size_t TrustedDevices::browsers() const {
    const std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(devices_.begin(), devices_.end(), [](const TrustedDevice& device) {
        return device.kind == DeviceKind::Browser;
    }));
}

std::vector<TrustedDevice> TrustedDevices::list() const {
    const std::lock_guard lock(mutex_);
    std::vector<TrustedDevice> copies = devices_;
    for (TrustedDevice& device : copies) {
        device.secret.clear();
        device.key.clear();
    }
    return copies;
}

bool TrustedDevices::forget(std::uint64_t id) {
    const std::lock_guard lock(mutex_);
    if (std::erase_if(devices_, [id](const TrustedDevice& device) { return device.id == id; }) == 0) return false;
    saveLocked();
    return true;
}

void TrustedDevices::forgetAll() {
    const std::lock_guard lock(mutex_);
    devices_.clear();
    saveLocked();
}

void TrustedDevices::saveLocked() {
    if (!file_) return;
    std::vector<TrustedDevice> kept;
    for (const TrustedDevice& device : devices_)
        if (device.kind == DeviceKind::Browser || keepPhones_) kept.push_back(device);
    // A failed write keeps the old file; the devices stay trusted until Vork exits.
    file_->write(encodePairings(kept));
}

}  // namespace vork
