// The 26 built-in reverberation presets that selectors 27 to 52 of the set
// EAX environment command choose from.
#pragma once

#include <array>
#include <cstdint>

struct EaxPreset {
    std::int32_t environment;
    float volume;
    float decay;
    float damping;
};

inline constexpr std::size_t EAX_PRESET_COUNT = 26;

// Row i carries environment i, in the order of the classic environment
// numbers (0 generic to 25 psychotic).
extern const std::array<EaxPreset, EAX_PRESET_COUNT> eaxPresets;
