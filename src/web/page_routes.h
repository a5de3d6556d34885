// Which answer an HTTP request to the browser remote gets: one of the page's
// own files, the WebSocket, or a refusal. The rules that keep other web
// sites out live here: a Host that names this PC by address or by its own
// computer name (an attacker's DNS name pointed at the PC cannot), and, for
// the WebSocket, an Origin that is the page's own address.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace vork {

inline constexpr std::string_view WEB_SOCKET_PATH = "/ws";

struct PageFile {
    std::string_view path;  // "/index.html"
    std::string_view contentType;
    std::string_view body;
};

struct RequestLine {
    std::string_view method;
    std::string_view target;
    std::string_view host;    // the Host header
    std::string_view origin;  // the Origin header; empty when none
    bool upgrade = false;     // asks for a WebSocket
};

struct Route {
    int status = 404;
    const PageFile* file = nullptr;  // for 200 to a file
    bool webSocket = false;          // for 101
    bool foreignHost = false;        // a 403 for a name that is not this PC's: say which address to use
};

// "192.168.1.20:8642", "127.0.0.1", "localhost:8642": true; anything but an
// address, or one of ownNames (any case, with or without ".local"): false.
bool namesThisHost(std::string_view host, std::span<const std::string> ownNames = {});

Route routeRequest(const RequestLine& request, std::span<const PageFile> files,
                   std::span<const std::string> ownNames = {});

}  // namespace vork
