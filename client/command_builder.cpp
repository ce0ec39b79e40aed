#include "client/command_builder.h"

#include <algorithm>
#include <bit>

CommandBytes& CommandBytes::put8(std::size_t pos, std::uint8_t value) {
    if (pos < bytes.size())
        bytes[pos] = value;
    return *this;
}

CommandBytes& CommandBytes::put16(std::size_t pos, std::uint32_t value) {
    put8(pos, static_cast<std::uint8_t>(value));
    return put8(pos + 1, static_cast<std::uint8_t>(value >> 8));
}

CommandBytes& CommandBytes::put32(std::size_t pos, std::uint32_t value) {
    put16(pos, value);
    return put16(pos + 2, value >> 16);
}

CommandBytes& CommandBytes::putFloat(std::size_t pos, float value) {
    return put32(pos, std::bit_cast<std::uint32_t>(value));
}

CommandBytes& CommandBytes::putVector(std::size_t pos, float x, float y, float z) {
    putFloat(pos, x);
    putFloat(pos + 4, y);
    return putFloat(pos + 8, z);
}

CommandBytes& CommandBytes::putText(std::string_view text) {
    constexpr std::size_t fieldStart = 4;
    constexpr std::size_t fieldSize = 64;
    std::fill_n(bytes.begin() + fieldStart, fieldSize, std::uint8_t{0});
    const std::size_t count = std::min(text.size(), fieldSize);
    std::copy_n(text.begin(), count, bytes.begin() + fieldStart);
    return *this;
}
