// A small four-channel MOD written byte by byte: an order list of
// MODULE_ORDERS entries over two patterns, each row taking 20 ms (speed 1),
// so a pattern of 64 rows lasts 1.28 s. Pattern 0 plays a tone on channel 1
// (left in the Amiga's L R R L), pattern 1 the same tone an octave higher.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <vector>

namespace musictest {

// Order list: patterns 0, 1, 0.
inline constexpr std::array<std::uint8_t, 3> MODULE_ORDER_LIST{0, 1, 0};
inline constexpr std::uint32_t MODULE_ORDERS = MODULE_ORDER_LIST.size();
inline constexpr double SECONDS_PER_ROW = 0.02;
inline constexpr int ROWS = 64;
inline constexpr int PERIOD_LOW = 428;  // C-2
inline constexpr int PERIOD_HIGH = 214; // C-3
inline constexpr int WAVE_BYTES = 32;   // one cycle of the looped sample

inline void put16be(std::vector<std::uint8_t>& out, std::size_t at, unsigned value) {
    out[at] = static_cast<std::uint8_t>(value >> 8);
    out[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

inline std::vector<std::uint8_t> moduleBytes() {
    std::vector<std::uint8_t> out(20 + 31 * 30 + 2 + 128 + 4, 0);
    const char title[] = "track test";
    std::copy(title, title + sizeof title - 1, out.begin());
    // Sample 1: one sine cycle, looped whole, full volume.
    const std::size_t s1 = 20;
    const char name[] = "sine";
    std::copy(name, name + sizeof name - 1, out.begin() + static_cast<long>(s1));
    put16be(out, s1 + 22, WAVE_BYTES / 2);
    out[s1 + 25] = 64;
    put16be(out, s1 + 26, 0);
    put16be(out, s1 + 28, WAVE_BYTES / 2);
    for (int s = 1; s < 31; ++s)
        put16be(out, 20 + 30 * static_cast<std::size_t>(s) + 28, 1);
    const std::size_t song = 20 + 31 * 30;
    out[song] = static_cast<std::uint8_t>(MODULE_ORDERS);
    out[song + 1] = 127;
    for (std::size_t k = 0; k < MODULE_ORDER_LIST.size(); ++k)
        out[song + 2 + k] = MODULE_ORDER_LIST[k];
    const char tag[] = "M.K.";
    std::copy(tag, tag + 4, out.begin() + static_cast<long>(song + 130));

    for (const int period : {PERIOD_LOW, PERIOD_HIGH}) {
        std::vector<std::uint8_t> pattern(ROWS * 4 * 4, 0);
        // Row 0: the note on channel 1, speed 1 on channel 4.
        pattern[0] = static_cast<std::uint8_t>((period >> 8) & 0x0F);
        pattern[1] = static_cast<std::uint8_t>(period & 0xFF);
        pattern[2] = 0x10; // sample 1, no effect
        pattern[12 + 2] = 0x0F;
        pattern[12 + 3] = 0x01;
        out.insert(out.end(), pattern.begin(), pattern.end());
    }
    for (int i = 0; i < WAVE_BYTES; ++i)
        out.push_back(static_cast<std::uint8_t>(static_cast<std::int8_t>(
            std::lround(100 * std::sin(2 * std::numbers::pi * i / WAVE_BYTES)))));
    return out;
}

inline bool writeModule(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = moduleBytes();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace musictest
