#include "tests/support/analysis.h"

#include <algorithm>
#include <cmath>

std::vector<float> StereoBuffer::channel(int index, std::size_t first, std::size_t count) const {
    std::vector<float> out;
    const std::size_t end = std::min(frames(), count == ~std::size_t{0} ? frames() : first + count);
    for (std::size_t i = first; i < end; ++i)
        out.push_back(samples[2 * i + static_cast<std::size_t>(index)]);
    return out;
}

double rms(const std::vector<float>& signal) {
    if (signal.empty())
        return 0.0;
    double sum = 0.0;
    for (float v : signal)
        sum += static_cast<double>(v) * v;
    return std::sqrt(sum / static_cast<double>(signal.size()));
}

double peak(const std::vector<float>& signal) {
    double top = 0.0;
    for (float v : signal)
        top = std::max(top, std::fabs(static_cast<double>(v)));
    return top;
}

double zeroCrossingFrequency(const std::vector<float>& signal, int rate) {
    std::size_t first = 0;
    std::size_t last = 0;
    int crossings = 0;
    for (std::size_t i = 1; i < signal.size(); ++i) {
        if (signal[i - 1] < 0.0f && signal[i] >= 0.0f) {
            if (crossings == 0)
                first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0.0;
    return (crossings - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
}

double toDecibels(double ratio) {
    return 20.0 * std::log10(std::max(ratio, 1e-12));
}
