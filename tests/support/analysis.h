// Measurements of rendered sound: level, balance and pitch.
#pragma once

#include <cstddef>
#include <vector>

// Interleaved stereo frames as rendered by the engine.
struct StereoBuffer {
    std::vector<float> samples;
    int rate = 44100;

    std::size_t frames() const { return samples.size() / 2; }
    std::vector<float> channel(int index, std::size_t first = 0,
                               std::size_t count = ~std::size_t{0}) const;
};

double rms(const std::vector<float>& signal);
double peak(const std::vector<float>& signal);
// Frequency estimated from rising zero crossings, in Hz.
double zeroCrossingFrequency(const std::vector<float>& signal, int rate);
double toDecibels(double ratio);
