#include "link/command_block.h"

#include <bit>
#include <cstring>

CommandBlock commandBlock;

namespace {

std::uint32_t byteAt(std::size_t pos) {
    return pos < COMMAND_BLOCK_SIZE ? commandBlock.bytes[pos] : 0u;
}

} // namespace

std::uint32_t word16At(std::size_t pos) {
    return byteAt(pos) | byteAt(pos + 1) << 8;
}

std::int32_t signed16At(std::size_t pos) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(word16At(pos)));
}

std::uint32_t value24At(std::size_t pos) {
    return word16At(pos) | byteAt(pos + 2) << 16;
}

std::uint32_t raw32At(std::size_t pos) {
    return value24At(pos) | byteAt(pos + 3) << 24;
}

float float32At(std::size_t pos) {
    return std::bit_cast<float>(raw32At(pos));
}

std::string textField() {
    const auto* start = reinterpret_cast<const char*>(&commandBlock.bytes[TEXT_FIELD_OFFSET]);
    return std::string(start, strnlen(start, TEXT_FIELD_SIZE));
}
