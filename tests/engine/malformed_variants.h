// Damaged copies of a sound file's bytes: cut short, bits flipped, another
// format's header spliced on, a header that claims an absurd rate. Every
// copy is made from a fixed seed, so a failing row can be made again.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace malformed {

using Bytes = std::vector<std::uint8_t>;

struct Variant {
    std::string name;
    Bytes bytes;
};

inline Bytes truncated(const Bytes& whole, std::size_t length) {
    return Bytes(whole.begin(), whole.begin() + static_cast<long>(std::min(length, whole.size())));
}

// Flips `flips` bits at places drawn from the seed, within the first `span`
// bytes (the header, where a reader decides what to allocate) or anywhere.
inline Bytes bitFlipped(const Bytes& whole, std::uint32_t seed, int flips, std::size_t span) {
    Bytes out = whole;
    if (out.empty())
        return out;
    std::mt19937 random(seed);
    const std::size_t limit = std::min(span, out.size());
    std::uniform_int_distribution<std::size_t> place(0, limit - 1);
    std::uniform_int_distribution<int> bit(0, 7);
    for (int k = 0; k < flips; ++k)
        out[place(random)] ^= static_cast<std::uint8_t>(1u << bit(random));
    return out;
}

// The first `headerBytes` of one file followed by the rest of another.
inline Bytes spliced(const Bytes& header, const Bytes& body, std::size_t headerBytes) {
    Bytes out = truncated(header, headerBytes);
    if (body.size() > headerBytes)
        out.insert(out.end(), body.begin() + static_cast<long>(headerBytes), body.end());
    return out;
}

inline std::size_t find(const Bytes& bytes, std::string_view tag) {
    const auto at = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
    return at == bytes.end() ? std::string_view::npos
                             : static_cast<std::size_t>(at - bytes.begin());
}

// An AIFF whose COMM chunk claims the given rate, written as the 80-bit
// extended float the format uses. Empty when the bytes hold no COMM chunk.
inline Bytes aiffWithRate(const Bytes& aiff, std::uint32_t rate) {
    const std::size_t comm = find(aiff, "COMM");
    if (comm == std::string_view::npos || comm + 8 + 18 > aiff.size() || rate == 0)
        return {};
    Bytes out = aiff;
    int top = 31;
    while ((rate >> top & 1u) == 0)
        --top;
    const std::uint16_t exponent = static_cast<std::uint16_t>(16383 + top);
    const std::uint64_t mantissa = std::uint64_t{rate} << (63 - top);
    const std::size_t at = comm + 8 + 8;
    out[at] = static_cast<std::uint8_t>(exponent >> 8);
    out[at + 1] = static_cast<std::uint8_t>(exponent & 0xFF);
    for (int k = 0; k < 8; ++k)
        out[at + 2 + static_cast<std::size_t>(k)] =
            static_cast<std::uint8_t>(mantissa >> (56 - 8 * k));
    return out;
}

// A WAV whose fmt chunk claims the given rate (and a byte rate to match).
inline Bytes wavWithRate(const Bytes& wav, std::uint32_t rate) {
    const std::size_t fmt = find(wav, "fmt ");
    if (fmt == std::string_view::npos || fmt + 8 + 16 > wav.size())
        return {};
    Bytes out = wav;
    const auto put32 = [&](std::size_t at, std::uint32_t value) {
        for (int k = 0; k < 4; ++k)
            out[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(value >> (8 * k));
    };
    put32(fmt + 8 + 4, rate);
    put32(fmt + 8 + 8, rate * 2);
    return out;
}

// Every damaged copy of one file: cut at the places readers look first and
// at its middle, bits flipped in the header and throughout, and spliced with
// the other file's header both ways.
inline std::vector<Variant> variantsOf(const Bytes& whole, const Bytes& other, std::uint32_t seed) {
    std::vector<Variant> out;
    for (const std::size_t cut : {std::size_t{0}, std::size_t{4}, std::size_t{12}, std::size_t{44},
                                  std::size_t{200}, whole.size() / 2, whole.size() - 1})
        if (cut < whole.size())
            out.push_back({"cut at " + std::to_string(cut), truncated(whole, cut)});
    for (std::uint32_t k = 0; k < 6; ++k) {
        out.push_back(
            {"header flips, seed " + std::to_string(seed + k), bitFlipped(whole, seed + k, 4, 64)});
        out.push_back({"flips anywhere, seed " + std::to_string(seed + k),
                       bitFlipped(whole, seed + k, 16, whole.size())});
    }
    out.push_back({"other format's header", spliced(other, whole, 64)});
    out.push_back({"header on other body", spliced(whole, other, 64)});
    return out;
}

} // namespace malformed
