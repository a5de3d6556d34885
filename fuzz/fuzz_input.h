// Splits a fuzzer's bytes into pieces: each piece is one control byte, one
// length byte and that many bytes (eight times as many when the control byte
// has bit 0x40, so that pieces reach past 1024 bytes; less at the end).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vork::fuzz {

struct Piece {
    std::uint8_t control;
    std::string_view bytes;
};

class PieceReader {
public:
    PieceReader(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    bool next(Piece& piece) {
        if (rest_.size() < 2) return false;
        piece.control = static_cast<std::uint8_t>(rest_[0]);
        const std::size_t scale = (piece.control & 0x40) != 0 ? 8 : 1;
        const std::size_t length = static_cast<std::uint8_t>(rest_[1]) * scale;
        rest_.remove_prefix(2);
        piece.bytes = rest_.substr(0, length);
        rest_.remove_prefix(piece.bytes.size());
        return true;
    }

private:
    std::string_view rest_;
};

}  // namespace vork::fuzz
