#include "tests/support/sound_files.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <unistd.h>

bool writeWav16(const std::filesystem::path& path, const std::vector<float>& interleaved,
                int channels, int sampleRate) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return false;
    const auto frames =
        static_cast<sf_count_t>(interleaved.size() / static_cast<std::size_t>(channels));
    const bool ok = sf_writef_float(file, interleaved.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

bool writeTone(const std::filesystem::path& path, const ToneSpec& tone) {
    SF_INFO info{};
    info.samplerate = tone.sampleRate;
    info.channels = tone.channels;
    info.format = tone.format != 0 ? tone.format : (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    if (sf_format_check(&info) == 0)
        return false;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return false;
    // A block at a time: libsndfile's Vorbis encoder fails on minutes of
    // sound handed over in one call, and memory stays small for long tones.
    constexpr sf_count_t blockFrames = 4096;
    const auto frames = static_cast<sf_count_t>(std::lround(tone.seconds * tone.sampleRate));
    std::vector<float> block(static_cast<std::size_t>(blockFrames * tone.channels));
    bool ok = true;
    for (sf_count_t start = 0; start < frames && ok; start += blockFrames) {
        const sf_count_t count = std::min(blockFrames, frames - start);
        for (sf_count_t i = 0; i < count; ++i) {
            const double t = static_cast<double>(start + i) / tone.sampleRate;
            const auto value = static_cast<float>(
                tone.amplitude * std::sin(2.0 * std::numbers::pi * tone.frequencyHz * t));
            for (int c = 0; c < tone.channels; ++c)
                block[static_cast<std::size_t>(i * tone.channels + c)] = value;
        }
        ok = sf_writef_float(file, block.data(), count) == count;
    }
    return sf_close(file) == 0 && ok;
}

std::filesystem::path makeScratchDir(const std::string& stem) {
    static std::mt19937 random(static_cast<unsigned>(getpid()));
    for (;;) {
        auto dir = std::filesystem::temp_directory_path() /
                   (stem + "-" + std::to_string(getpid()) + "-" + std::to_string(random()));
        if (std::filesystem::create_directories(dir))
            return dir;
    }
}
