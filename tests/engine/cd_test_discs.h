// CD sources written by the CD tests: a folder of ripped tracks, a CUE sheet
// over one raw image, and a CUE sheet over per-track files. All three hold
// the same disc: track 1 a 440 Hz tone, track 2 data, track 3 a 660 Hz tone.
#pragma once

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <unistd.h>
#include <vector>

namespace cdtest {

namespace fs = std::filesystem;

constexpr int RATE = 44100;
constexpr int SECTOR_FRAMES = 588;
constexpr int SECTOR_BYTES = 2352;
constexpr double AMPLITUDE = 0.5;

struct TrackPlan {
    double toneHz; // 0: a data track
    int sectors;
    std::uint32_t lengthMs;
};

inline const std::vector<TrackPlan> discPlan{
    {440.0, 150, 2000},
    {0.0, 75, 1000},
    {660.0, 111, 1480},
};

inline std::vector<std::int16_t> toneFrames(double hz, int sectors) {
    const int frames = sectors * SECTOR_FRAMES;
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        const double value =
            AMPLITUDE * std::sin(2.0 * std::numbers::pi * hz * i / static_cast<double>(RATE));
        const auto sample = static_cast<std::int16_t>(std::lround(value * 32767.0));
        pcm[2 * static_cast<std::size_t>(i)] = sample;
        pcm[2 * static_cast<std::size_t>(i) + 1] = sample;
    }
    return pcm;
}

inline bool writeSoundFile(const fs::path& path, const std::vector<std::int16_t>& pcm, int format) {
    SF_INFO info{};
    info.samplerate = RATE;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return false;
    const auto frames = static_cast<sf_count_t>(pcm.size() / 2);
    const bool ok = sf_writef_short(file, pcm.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

inline void appendRaw(std::vector<char>& bytes, const std::vector<std::int16_t>& pcm,
                      bool bigEndian) {
    for (const std::int16_t sample : pcm) {
        const auto value = static_cast<std::uint16_t>(sample);
        const auto low = static_cast<char>(value & 0xFF);
        const auto high = static_cast<char>(value >> 8);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
}

inline bool writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

inline std::string cueTime(int sectors) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", sectors / 75 / 60, sectors / 75 % 60,
                  sectors % 75);
    return text;
}

inline bool writeZeros(const fs::path& path, std::size_t bytes) {
    std::ofstream out(path, std::ios::binary);
    const std::vector<char> zeros(bytes, 0);
    out.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    return static_cast<bool>(out);
}

// cdaudio folder in an unusual letter case, both name forms; track 2 an ISO
// image of 2048-byte sectors, so data.
inline bool writeFolderDisc(const fs::path& dir) {
    const fs::path folder = dir / "CDAudio";
    fs::create_directory(folder);
    const TrackPlan& one = discPlan[0];
    const TrackPlan& three = discPlan[2];
    return writeSoundFile(folder / "Track01.wav", toneFrames(one.toneHz, one.sectors),
                          SF_FORMAT_WAV | SF_FORMAT_PCM_16) &&
           writeZeros(folder / "TRACK02.iso",
                      static_cast<std::size_t>(discPlan[1].sectors) * 2048) &&
           writeSoundFile(folder / "03.FLAC", toneFrames(three.toneHz, three.sectors),
                          SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
}

// One raw image holding all three tracks, the data track in 2352-byte
// sectors, with a pregap index on track 3 and the comments real sheets carry.
inline bool writeImageDisc(const fs::path& dir, bool motorola) {
    std::vector<char> bytes;
    std::string cue = "REM GENRE Test\r\nTITLE \"Test disc\"\r\nFILE \"image.bin\" ";
    cue += motorola ? "MOTOROLA\r\n" : "BINARY\r\n";
    int at = 0;
    for (std::size_t t = 0; t < discPlan.size(); ++t) {
        const TrackPlan& plan = discPlan[t];
        cue += "  TRACK 0" + std::to_string(t + 1) +
               (plan.toneHz > 0 ? " AUDIO\r\n" : " MODE1/2352\r\n");
        if (t == 2)
            cue += "    INDEX 00 " + cueTime(at - 2) + "\r\n";
        cue += "    INDEX 01 " + cueTime(at) + "\r\n";
        if (plan.toneHz > 0)
            appendRaw(bytes, toneFrames(plan.toneHz, plan.sectors), motorola);
        else
            bytes.resize(bytes.size() + static_cast<std::size_t>(plan.sectors * SECTOR_BYTES), 0);
        at += plan.sectors;
    }
    std::ofstream image(dir / "image.bin", std::ios::binary);
    image.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(image) && writeText(dir / "cdaudio.cue", cue);
}

// Per-track files under another stem, named in the sheet in another letter
// case than on disk.
inline bool writeFileDisc(const fs::path& dir) {
    std::string cue;
    for (std::size_t t = 0; t < discPlan.size(); ++t) {
        const TrackPlan& plan = discPlan[t];
        const std::string number = "0" + std::to_string(t + 1);
        if (plan.toneHz > 0) {
            if (!writeSoundFile(dir / ("album - " + number + ".flac"),
                                toneFrames(plan.toneHz, plan.sectors),
                                SF_FORMAT_FLAC | SF_FORMAT_PCM_16))
                return false;
            cue += "FILE \"ALBUM - " + number + ".FLAC\" FLAC\n  TRACK " + number +
                   " AUDIO\n    INDEX 01 00:00:00\n";
        } else {
            if (!writeZeros(dir / ("album - " + number + ".iso"),
                            static_cast<std::size_t>(plan.sectors) * 2048))
                return false;
            cue += "FILE \"Album - " + number + ".ISO\" BINARY\n  TRACK " + number +
                   " MODE1/2048\n    INDEX 01 00:00:00\n";
        }
    }
    return writeText(dir / "CDAUDIO.CUE", cue);
}

} // namespace cdtest
