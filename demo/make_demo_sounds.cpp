// Writes the files the demo session plays into a server directory: samples,
// a stream, a tracker module and a CD image with its CUE sheet.
#include "tests/engine/music_test_module.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int RATE = 44100;

// Interleaved frames of a sine in every channel, faded in and out so that
// the demo does not click.
std::vector<float> tone(double hz, double seconds, int channels, double level) {
    const auto frames = static_cast<std::size_t>(seconds * RATE);
    const std::size_t fade = RATE / 100;
    std::vector<float> out(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames; ++i) {
        double gain = level;
        if (i < fade)
            gain *= static_cast<double>(i) / fade;
        if (frames - i < fade)
            gain *= static_cast<double>(frames - i) / fade;
        const auto value = static_cast<float>(
            gain * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / RATE));
        for (int c = 0; c < channels; ++c)
            out[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = value;
    }
    return out;
}

std::vector<float> noiseBurst(double seconds) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.4f, 0.4f);
    const auto frames = static_cast<std::size_t>(seconds * RATE);
    std::vector<float> out(frames);
    for (std::size_t i = 0; i < frames; ++i)
        out[i] = noise(random) * static_cast<float>(frames - i) / static_cast<float>(frames);
    return out;
}

bool writeSound(const fs::path& path, const std::vector<float>& frames, int channels, int format) {
    SF_INFO info{};
    info.samplerate = RATE;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "make-demo-sounds: cannot write %s: %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return false;
    }
    // In blocks: libsndfile's Vorbis encoder does not take minutes at once.
    constexpr sf_count_t block = 4096;
    const auto total = static_cast<sf_count_t>(frames.size()) / channels;
    bool ok = true;
    for (sf_count_t done = 0; done < total && ok; done += block) {
        const sf_count_t count = std::min(block, total - done);
        ok = sf_writef_float(file, frames.data() + done * channels, count) == count;
    }
    return sf_close(file) == 0 && ok;
}

// Two audio tracks of 3 and 4 seconds in one raw image of 16-bit stereo
// sectors, and the sheet that describes it.
bool writeCdImage(const fs::path& dir) {
    std::vector<float> first = tone(440.0, 3.0, 2, 0.25);
    const std::vector<float> second = tone(550.0, 4.0, 2, 0.25);
    first.insert(first.end(), second.begin(), second.end());
    std::ofstream image(dir / "CDAUDIO.BIN", std::ios::binary);
    for (float value : first) {
        const auto word = static_cast<std::int16_t>(std::lround(value * 32767.0f));
        const char bytes[2] = {static_cast<char>(word & 0xFF),
                               static_cast<char>((word >> 8) & 0xFF)};
        image.write(bytes, 2);
    }
    std::ofstream sheet(dir / "cdaudio.cue");
    sheet << "FILE \"CDAUDIO.BIN\" BINARY\n"
             "  TRACK 01 AUDIO\n"
             "    INDEX 01 00:00:00\n"
             "  TRACK 02 AUDIO\n"
             "    INDEX 01 00:03:00\n";
    return image.good() && sheet.good();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-demo-sounds DIR\n");
        return 2;
    }
    const fs::path dir = argv[1];
    fs::create_directories(dir / "sounds");
    const bool ok = writeSound(dir / "sounds" / "tone.wav", tone(660.0, 0.5, 1, 0.5), 1,
                               SF_FORMAT_WAV | SF_FORMAT_PCM_16) &&
                    writeSound(dir / "sounds" / "burst.wav", noiseBurst(0.3), 1,
                               SF_FORMAT_WAV | SF_FORMAT_PCM_16) &&
                    writeSound(dir / "sounds" / "stream.ogg", tone(220.0, 3.0, 2, 0.3), 2,
                               SF_FORMAT_OGG | SF_FORMAT_VORBIS) &&
                    musictest::writeModule(dir / "sounds" / "tune.mod") && writeCdImage(dir);
    if (ok)
        std::printf("demo sounds written to %s\n", dir.c_str());
    return ok ? 0 : 1;
}
