// Decoding a whole sound file into PCM for one sample, through libsndfile.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace engine {

// One plane of PCM per output channel (1 or 2): 16-bit signed samples, or
// unsigned 8-bit ones stored in the low byte when eightBit is set.
struct DecodedSample {
    int rate = 0;
    int channels = 0;
    bool eightBit = false;
    std::uint32_t frames = 0;
    std::vector<std::vector<std::uint8_t>> planes;
};

// Everything libsndfile reads; mixed down to mono when asked (and always
// for more than two channels). False when the file cannot be read or holds
// no sound. The planes of `sound` are refilled in place: a caller that keeps
// one DecodedSample across loads spares the memory system a fresh
// allocation, and its page faults, for every sample.
bool decodeSampleFile(const std::string& path, bool eightBit, bool mono, DecodedSample& sound);
bool decodeSampleMemory(const void* data, std::uint32_t length, bool eightBit, bool mono,
                        DecodedSample& sound);

} // namespace engine
