// Cuts what one connection receives into messages. A connection starts with
// one receive per message; the first CR or LF it sends switches it to lines
// for the rest of its life (the bytes before that ending are the first line),
// which is what generic terminal apps on phones send.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vork {

inline constexpr std::size_t MESSAGE_LIMIT = 1024;
inline constexpr std::string_view LINE_ENDING = "\r\n";

class MessageFraming {
public:
    // The messages that one receive completes, in order, each cut at its
    // first zero byte.
    void receive(std::string_view bytes, std::vector<std::string>& messages);
    [[nodiscard]] bool lineMode() const { return lineMode_; }

private:
    void takeLineBytes(std::string_view bytes, std::vector<std::string>& messages);
    void endLine(std::vector<std::string>& messages);

    bool lineMode_ = false;
    std::string line_;
    bool afterCarriageReturn_ = false;  // an LF right after it ends nothing more
    bool droppingRest_ = false;         // the line was cut at the limit
};

}  // namespace vork
