#include "link/trusted_devices.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <utility>

namespace vork {

namespace {

constexpr std::string_view PAIRINGS_HEADER = "vork pairings 3";
constexpr std::string_view PREVIOUS_PAIRINGS_HEADER = "vork pairings 2";
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

std::string copiedKeyWarning(std::string_view name, std::string_view address) {
    return "A copy of " + std::string(name) + "'s key was used from " + std::string(address) +
           "; the phone was forgotten, pair it again";
}

std::string encodePairings(const std::vector<TrustedDevice>& devices) {
    std::string text(PAIRINGS_HEADER);
    text.push_back('\n');
    for (const TrustedDevice& device : devices) {
        const bool browser = device.kind == DeviceKind::Browser;
        std::string retired;
        for (const std::string& key : device.retiredKeys) retired.append(retired.empty() ? "" : ",").append(key);
        text.append(browser ? "browser " : "bluetooth ")
            .append(std::to_string(device.lastSeen))
            .append(" ")
            .append(escaped(browser ? device.secret : device.address))
            .append(" ")
            .append(std::to_string(browser ? device.keyNumber : 0))
            .append(" ")
            .append(browser ? escaped(device.key) : "")
            .append(" ")
            .append(browser ? escaped(device.nextKey) : "")
            .append(" ")
            .append(browser ? retired : "")
            .append(" ")
            .append(escaped(device.lastAddress))
            .append(" ")
            .append(escaped(device.name))
            .append("\n");
    }
    return text;
}

namespace {

// One device's line: the fields of this version (9), or of the last (5:
// no key numbers, next or retired keys, nor addresses).
std::optional<TrustedDevice> decodeDevice(const std::vector<std::string_view>& parts, bool current) {
    if (parts.size() != (current ? 9U : 5U) || (parts[0] != "browser" && parts[0] != "bluetooth")) return std::nullopt;
    TrustedDevice device;
    device.kind = parts[0] == "browser" ? DeviceKind::Browser : DeviceKind::Bluetooth;
    const bool browser = device.kind == DeviceKind::Browser;
    const auto [last, error] = std::from_chars(parts[1].data(), parts[1].data() + parts[1].size(), device.lastSeen);
    if (error != std::errc() || last != parts[1].data() + parts[1].size()) return std::nullopt;
    const std::optional<std::string> who = unescaped(parts[2]);
    const std::optional<std::string> name = unescaped(parts[current ? 8 : 4]);
    const std::optional<std::string> key = unescaped(parts[current ? 4 : 3]);
    if (!who || !name || !key || who->empty()) return std::nullopt;
    (browser ? device.secret : device.address) = *who;
    device.name = *name;
    if (!browser) return device;
    if (!isHex(*who) || !isHex(*key)) return std::nullopt;
    device.key = *key;
    if (!current) return device;
    const auto [numberEnd, numberError] =
        std::from_chars(parts[3].data(), parts[3].data() + parts[3].size(), device.keyNumber);
    const std::optional<std::string> next = unescaped(parts[5]);
    const std::optional<std::string> address = unescaped(parts[7]);
    if (numberError != std::errc() || numberEnd != parts[3].data() + parts[3].size() || device.keyNumber == 0 || !next ||
        (!next->empty() && !isHex(*next)) || !address)
        return std::nullopt;
    device.nextKey = *next;
    device.lastAddress = *address;
    for (std::string_view retired = parts[6]; !retired.empty();) {
        const std::size_t comma = retired.find(',');
        const std::string_view one = retired.substr(0, comma);
        if (!isHex(one)) return std::nullopt;
        device.retiredKeys.emplace_back(one);
        retired = comma == std::string_view::npos ? std::string_view() : retired.substr(comma + 1);
    }
    return device;
}

}  // namespace

std::optional<std::vector<TrustedDevice>> decodePairings(std::string_view text) {
    const bool current = text.starts_with(PAIRINGS_HEADER);
    const std::string_view header = current ? PAIRINGS_HEADER : PREVIOUS_PAIRINGS_HEADER;
    if (!text.starts_with(header) || text.substr(header.size()).substr(0, 1) != "\n") return std::nullopt;
    text.remove_prefix(header.size() + 1);
    std::vector<TrustedDevice> devices;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;  // cut short
        std::optional<TrustedDevice> device = decodeDevice(fields(text.substr(0, end)), current);
        text.remove_prefix(end + 1);
        if (!device) return std::nullopt;
        devices.push_back(std::move(*device));
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
    const std::int64_t now = nowLocked();
    for (TrustedDevice device : *decoded) {
        // A phone kept while the settings asked for it is dropped once they no longer do.
        if (device.kind == DeviceKind::Bluetooth && !keepPhones_) continue;
        if (device.kind == DeviceKind::Browser && now - device.lastSeen > UNUSED_PAIRING_SECONDS) continue;
        device.id = ++lastId_;
        devices_.push_back(std::move(device));
    }
    return std::nullopt;
}

void TrustedDevices::trustPhone(std::string_view name, std::string_view address) {
    const std::lock_guard lock(mutex_);
    std::erase_if(devices_, [](const TrustedDevice& device) { return device.kind == DeviceKind::Bluetooth; });
    TrustedDevice phone;
    phone.id = ++lastId_;
    phone.kind = DeviceKind::Bluetooth;
    phone.name = std::string(name);
    phone.address = std::string(address);
    phone.lastSeen = nowLocked();
    devices_.push_back(std::move(phone));
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

void TrustedDevices::trustBrowser(std::string_view name, std::string_view id, std::string_view key,
                                  std::string_view address) {
    const std::lock_guard lock(mutex_);
    TrustedDevice device;
    device.id = ++lastId_;
    device.name = std::string(name);
    device.secret = std::string(id);
    device.key = std::string(key);
    device.lastSeen = nowLocked();
    device.lastAddress = std::string(address);
    devices_.push_back(std::move(device));
    saveLocked();
}

TrustedDevice* TrustedDevices::browserLocked(std::string_view id) {
    TrustedDevice* match = nullptr;
    for (TrustedDevice& device : devices_)
        if (device.kind == DeviceKind::Browser && equalInConstantTime(device.secret, id) && !match) match = &device;
    if (match && nowLocked() - match->lastSeen > UNUSED_PAIRING_SECONDS) {
        const std::uint64_t expired = match->id;
        std::erase_if(devices_, [expired](const TrustedDevice& device) { return device.id == expired; });
        saveLocked();
        return nullptr;
    }
    return match;
}

std::optional<TrustedDevice> TrustedDevices::browser(std::string_view id) {
    const std::lock_guard lock(mutex_);
    const TrustedDevice* match = browserLocked(id);
    return match ? std::optional(*match) : std::nullopt;
}

BrowserKey TrustedDevices::browserKey(std::string_view id, std::uint64_t number) {
    const std::lock_guard lock(mutex_);
    const TrustedDevice* device = browserLocked(id);
    if (!device || number == 0) return {};
    if (number == device->keyNumber) return {KeyStanding::Current, device->key, device->name};
    if (number == device->keyNumber + 1 && !device->nextKey.empty())
        return {KeyStanding::Next, device->nextKey, device->name};
    if (number < device->keyNumber && device->keyNumber - number <= device->retiredKeys.size())
        return {KeyStanding::Retired, device->retiredKeys[device->keyNumber - number - 1], device->name};
    return {};
}

std::optional<std::pair<std::uint64_t, std::string>> TrustedDevices::nextKey(std::string_view id,
                                                                              std::string_view fresh) {
    const std::lock_guard lock(mutex_);
    TrustedDevice* device = browserLocked(id);
    if (!device) return std::nullopt;
    if (device->nextKey.empty()) {
        device->nextKey = std::string(fresh);
        saveLocked();
    }
    return std::pair(device->keyNumber + 1, device->nextKey);
}

bool TrustedDevices::nextKeyHeld(std::string_view id, std::uint64_t number) {
    const std::lock_guard lock(mutex_);
    TrustedDevice* device = browserLocked(id);
    if (!device || device->nextKey.empty() || number != device->keyNumber + 1) return false;
    device->retiredKeys.insert(device->retiredKeys.begin(), std::move(device->key));
    if (device->retiredKeys.size() > RETIRED_KEYS_KEPT) device->retiredKeys.resize(RETIRED_KEYS_KEPT);
    device->key = std::exchange(device->nextKey, {});
    device->keyNumber = number;
    saveLocked();
    return true;
}

void TrustedDevices::browserSeen(std::string_view id, std::string_view address) {
    const std::lock_guard lock(mutex_);
    TrustedDevice* device = browserLocked(id);
    if (!device) return;
    device->lastSeen = nowLocked();
    if (!address.empty()) device->lastAddress = std::string(address);
    saveLocked();
}

bool TrustedDevices::knowsBrowser(std::string_view id) {
    const std::lock_guard lock(mutex_);
    return browserLocked(id) != nullptr;
}

void TrustedDevices::forgetBrowser(std::string_view id) {
    const std::lock_guard lock(mutex_);
    if (std::erase_if(devices_, [id](const TrustedDevice& device) {
            return device.kind == DeviceKind::Browser && equalInConstantTime(device.secret, id);
        }) > 0)
        saveLocked();
}

std::string TrustedDevices::forgetCopied(std::string_view id, std::string_view address) {
    const std::lock_guard lock(mutex_);
    const TrustedDevice* device = browserLocked(id);
    if (!device) return {};
    std::string warning = copiedKeyWarning(device->name, address);
    const std::uint64_t copied = device->id;
    std::erase_if(devices_, [copied](const TrustedDevice& entry) { return entry.id == copied; });
    saveLocked();
    warnings_.insert(warnings_.begin(), warning);
    if (warnings_.size() > WARNINGS_KEPT) warnings_.resize(WARNINGS_KEPT);
    return warning;
}

std::vector<std::string> TrustedDevices::warnings() const {
    const std::lock_guard lock(mutex_);
    return warnings_;
}

std::size_t TrustedDevices::browsers() const {
    const std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(devices_.begin(), devices_.end(), [](const TrustedDevice& device) {
        return device.kind == DeviceKind::Browser;
    }));
}

std::vector<TrustedDevice> TrustedDevices::list() const { return summary().devices; }

TrustedDevices::Summary TrustedDevices::summary() const {
    const std::lock_guard lock(mutex_);
    std::vector<TrustedDevice> copies = devices_;
    for (TrustedDevice& device : copies) {
        device.secret.clear();
        device.key.clear();
        device.nextKey.clear();
        device.retiredKeys.clear();
    }
    return {copies, warnings_};
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
