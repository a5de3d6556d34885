#include "web/site.h"

#include <boost/beast/websocket/rfc6455.hpp>

namespace vork {

Answer plainAnswer(int status, std::string_view reason) {
    return {status, "text/plain; charset=utf-8", status == 204 ? std::string() : std::string(reason) + "\n"};
}

RequestLine requestLine(const Request& request) {
    return RequestLine{view(request.method_string()), view(request.target()), view(request[http::field::host]),
                       view(request[http::field::origin]), beast::websocket::is_upgrade(request)};
}

}  // namespace vork
