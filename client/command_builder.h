// Builds a 1024-byte command block field by field, little-endian, at the
// byte offsets the commands define.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

struct CommandBytes {
    std::array<std::uint8_t, 1024> bytes{};

    explicit CommandBytes(std::uint16_t code) { put16(0, code); }

    CommandBytes& put8(std::size_t pos, std::uint8_t value);
    CommandBytes& put16(std::size_t pos, std::uint32_t value);
    // A 24-bit field occupies four bytes; the fourth is written as given.
    CommandBytes& put32(std::size_t pos, std::uint32_t value);
    CommandBytes& putFloat(std::size_t pos, float value);
    CommandBytes& putVector(std::size_t pos, float x, float y, float z);
    // The file name field at offsets 4 to 67, NUL-terminated when it fits.
    CommandBytes& putText(std::string_view text);
};
