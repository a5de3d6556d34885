// One of the server's sites as its HTTP connections see it: the answer to
// each request, and the page's socket a request may be handed over to.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "web/beast_names.h"
#include "web/connection_slots.h"
#include "web/page_routes.h"

namespace vork {

// The answer a site gives one plain HTTP request.
struct Answer {
    int status = 404;
    std::string_view contentType = "text/plain; charset=utf-8";
    std::string body;  // for a page file: a copy would be wasteful, see `file`
    const PageFile* file = nullptr;
    bool webSocket = false;  // hand the connection over to the page's socket
};

class Site {
public:
    virtual ~Site() = default;
    [[nodiscard]] virtual std::size_t bodyLimit() const = 0;
    virtual Answer answer(const Request& request) = 0;
    // The page's socket for a request answered webSocket; it takes a slot of `slots`.
    virtual void openPage(ConnectionSlots& slots, const std::string& peer, beast::tcp_stream stream,
                          const Request& request) = 0;

protected:
    Site() = default;
    Site(const Site&) = default;
    Site& operator=(const Site&) = default;
};

// The status with its reason as the body (none for 204).
Answer plainAnswer(int status, std::string_view reason);
// The request as the routes read it.
RequestLine requestLine(const Request& request);

}  // namespace vork
