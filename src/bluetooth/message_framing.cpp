#include "bluetooth/message_framing.h"

namespace vork {

namespace {

std::string_view upToZero(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

}  // namespace

void MessageFraming::receive(std::string_view bytes, std::vector<std::string>& messages) {
    if (!lineMode_ && bytes.find_first_of("\r\n") == std::string_view::npos) {
        messages.emplace_back(upToZero(bytes));
        return;
    }
    lineMode_ = true;
    takeLineBytes(bytes, messages);
}

void MessageFraming::takeLineBytes(std::string_view bytes, std::vector<std::string>& messages) {
    for (const char byte : bytes) {
        if (byte == '\r' || byte == '\n') {
            const bool pairedLineFeed = byte == '\n' && afterCarriageReturn_;
            afterCarriageReturn_ = byte == '\r';
            if (!pairedLineFeed) endLine(messages);
            continue;
        }
        afterCarriageReturn_ = false;
        if (droppingRest_) continue;
        if (line_.size() == MESSAGE_LIMIT) {
            // Bounded whatever the peer sends: the line is handled as far as
            // the limit, the rest up to its ending is dropped.
            messages.emplace_back(upToZero(line_));
            line_.clear();
            droppingRest_ = true;
            continue;
        }
        line_.push_back(byte);
    }
}

void MessageFraming::endLine(std::vector<std::string>& messages) {
    if (!line_.empty()) messages.emplace_back(upToZero(line_));
    line_.clear();
    droppingRest_ = false;
}

}  // namespace vork
