// The Boost.Beast and Asio names the server's pieces share, and the step
// between Beast's string views and the standard's.
#pragma once

#include <utility>  // Boost 1.74's headers use std::exchange without including it

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <string_view>

namespace vork {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

inline beast::string_view view(std::string_view text) { return {text.data(), text.size()}; }
inline std::string_view view(beast::string_view text) { return {text.data(), text.size()}; }

}  // namespace vork
