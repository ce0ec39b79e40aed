// The 1024-byte command block and the readers that take its fields apart.
// All fields are little-endian at fixed byte offsets without alignment. Bytes
// past the end of the block read as 0, so no reader ever leaves the block.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::size_t COMMAND_BLOCK_SIZE = 1024;
inline constexpr std::size_t TEXT_FIELD_OFFSET = 4;
inline constexpr std::size_t TEXT_FIELD_SIZE = 64;

struct CommandBlock {
    std::array<std::uint8_t, COMMAND_BLOCK_SIZE> bytes{};
};

// Lives as long as the process; refilled from the command file, never cleared.
extern CommandBlock commandBlock;

std::uint32_t word16At(std::size_t pos);
std::int32_t signed16At(std::size_t pos);
// The low three bytes of a four-byte field; the fourth byte is never read.
std::uint32_t value24At(std::size_t pos);
std::uint32_t raw32At(std::size_t pos);
float float32At(std::size_t pos);
// The file name at offsets 4 to 67: up to the first NUL, or all 64 bytes.
std::string textField();
