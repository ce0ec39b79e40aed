// Field values that stand for "no value given" in a command block.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t NO_VALUE16 = 0xFFFF;
inline constexpr std::uint32_t NO_VALUE24 = 0xFFFFFF;
inline constexpr std::uint32_t NATIVE_FREQ24 = 0xFFFFFE;
// The x component of a 3D vector that is not given: 16777215.0f.
inline constexpr std::uint32_t ABSENT_COORD_BITS = 0x4B7FFFFF;
inline constexpr float ABSENT_COORD = 16777215.0f;
// The slot number through which six track commands reach the CD channel.
inline constexpr std::uint32_t CD_SLOT = 513;
