#include "web/page_routes.h"

#include <algorithm>

#include "text/ascii_case.h"

namespace vork {

namespace {

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Decimal digits only, at most `largest`.
bool isNumberUpTo(std::string_view digits, unsigned largest) {
    if (!allDigits(digits) || digits.size() > 5) return false;
    unsigned value = 0;
    for (const char digit : digits) value = value * 10 + static_cast<unsigned>(digit - '0');
    return value <= largest;
}

bool isIpv4Literal(std::string_view text) {
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = text.find('.');
        const std::string_view digits = part < 3 ? text.substr(0, dot) : text;
        if ((part < 3 && dot == std::string_view::npos) || digits.size() > 3 || !isNumberUpTo(digits, 255)) return false;
        if (part < 3) text.remove_prefix(dot + 1);
    }
    return true;
}

}  // namespace

bool namesThisHost(std::string_view host, std::span<const std::string> ownNames) {
    const std::size_t colon = host.find(':');
    if (colon != std::string_view::npos) {
        if (!isNumberUpTo(host.substr(colon + 1), 65535)) return false;
        host = host.substr(0, colon);
    }
    if (isIpv4Literal(host) || equalIgnoringAsciiCase(host, "localhost")) return true;
    constexpr std::string_view LOCAL_SUFFIX = ".local";
    if (host.size() > LOCAL_SUFFIX.size() && equalIgnoringAsciiCase(host.substr(host.size() - LOCAL_SUFFIX.size()), LOCAL_SUFFIX))
        host.remove_suffix(LOCAL_SUFFIX.size());
    return std::any_of(ownNames.begin(), ownNames.end(),
                       [host](const std::string& name) { return !name.empty() && equalIgnoringAsciiCase(host, name); });
}

Route routeRequest(const RequestLine& request, std::span<const PageFile> files, std::span<const std::string> ownNames) {
    if (!namesThisHost(request.host, ownNames)) return {403, nullptr, false, true};
    if (request.method != "GET" && request.method != "HEAD") return {405};
    std::string_view path = request.target.substr(0, request.target.find('?'));
    if (request.upgrade) {
        // A page from anywhere else may open a socket here too; only our own page may talk.
        const bool ownOrigin = request.origin.starts_with("http://") &&
                               equalIgnoringAsciiCase(request.origin.substr(7), request.host);
        if (path != WEB_SOCKET_PATH || !ownOrigin) return {403};
        return {101, nullptr, true};
    }
    if (path == "/") path = "/index.html";
    const auto found = std::find_if(files.begin(), files.end(), [path](const PageFile& file) { return file.path == path; });
    if (found == files.end()) return {404};
    return {200, &*found, false};
}

}  // namespace vork
