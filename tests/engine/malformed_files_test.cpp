// Damaged sound and module files through every loader the engine has: a
// load gives handle 0 or a sound that plays, never a crash, and everything
// it made is gone once freed. The files are generated, then cut short, bit
// flipped, given another format's header or an absurd rate.
#include "engine/engine.h"
#include "engine/loopback.h"
#include "tests/engine/malformed_variants.h"
#include "tests/engine/music_test_module.h"
#include "tests/support/sound_files.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using malformed::Bytes;

constexpr int RATE = 44100;
constexpr int RENDER_FRAMES = 1024;

struct Format {
    const char* name;
    const char* extension;
    int sndfileFormat; // 0: the generated module
};

constexpr Format FORMATS[] = {
    {"WAV PCM 16", "wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
    {"WAV PCM 8", "wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8},
    {"WAV float", "wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
    {"WAV IMA ADPCM", "wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM},
    {"WAV MS ADPCM", "wav", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM},
    {"AIFF", "aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
    {"FLAC", "flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
    {"Ogg Vorbis", "ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    {"Opus", "opus", SF_FORMAT_OGG | SF_FORMAT_OPUS},
    {"MP3", "mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
    {"MOD", "mod", 0},
};

Bytes readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool finite(const std::vector<float>& samples) {
    for (const float value : samples)
        if (!std::isfinite(value))
            return false;
    return true;
}

class MalformedFiles : public ::testing::Test {
  protected:
    fs::path previous;
    fs::path dir;

    void SetUp() override {
        previous = fs::current_path();
        dir = makeScratchDir("malformed-files");
        fs::current_path(dir);
        engineUseTestLoopback(true);
        ASSERT_NE(BASS_Init(-1, RATE, DEVICE_3D, nullptr), 0);
    }

    void TearDown() override {
        BASS_Free();
        engineUseTestLoopback(false);
        fs::current_path(previous);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // The generated original of a format; empty when libsndfile cannot
    // write it here.
    Bytes original(const Format& format) {
        const fs::path path = dir / (std::string("original.") + format.extension);
        if (format.sndfileFormat == 0)
            return musictest::writeModule(path) ? readBytes(path) : Bytes{};
        ToneSpec tone;
        tone.frequencyHz = 441.0;
        tone.seconds = 0.2;
        tone.sampleRate = format.sndfileFormat == (SF_FORMAT_OGG | SF_FORMAT_OPUS) ? 48000 : 22050;
        tone.format = format.sndfileFormat;
        return writeTone(path, tone) ? readBytes(path) : Bytes{};
    }

    // Renders a little and gives the loudest sample; NaN when the output was
    // not finite.
    float renderPeak() {
        std::vector<float> out(2 * RENDER_FRAMES);
        float loudest = 0.0f;
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(engineRender(out.data(), RENDER_FRAMES));
            if (!finite(out))
                return NAN;
            for (const float value : out)
                loudest = std::max(loudest, std::fabs(value));
        }
        return loudest;
    }

    struct Outcome {
        bool sample = false;
        bool stream = false;
        bool memoryStream = false;
        bool music = false;
        float loudest = 0.0f; // over every loader that took the file
    };

    // The bytes as a sample, a file stream, a memory stream and a module,
    // one after the other, each played a little and freed.
    Outcome loadEveryWay(const Bytes& bytes, const std::string& extension) {
        Outcome outcome;
        const std::string name = "damaged." + extension;
        if (!writeBytes(dir / name, bytes)) {
            ADD_FAILURE() << "cannot write " << name;
            return outcome;
        }
        const auto note = [&](float loudest) {
            outcome.loudest = std::isnan(loudest) || std::isnan(outcome.loudest)
                                  ? NAN
                                  : std::max(outcome.loudest, loudest);
        };
        if (const EngineHandle sample = BASS_SampleLoad(false, name.c_str(), 0, 0, 4, 0)) {
            outcome.sample = true;
            EXPECT_NE(BASS_SamplePlayEx(sample, 0, -1, 100, 0, false), 0u);
            note(renderPeak());
            EXPECT_NE(BASS_SampleFree(sample), 0);
        }
        if (const EngineHandle stream = BASS_StreamCreateFile(false, name.c_str(), 0, 0, 0x20000)) {
            outcome.stream = true;
            BASS_StreamGetLength(stream);
            EXPECT_NE(BASS_StreamPlay(stream, false, 0), 0);
            note(renderPeak());
            EXPECT_NE(BASS_StreamFree(stream), 0);
        }
        // The engine reads the block while the stream lives: keep a copy of
        // exactly the file's size, so that a read past it is seen.
        Bytes block = bytes;
        if (const EngineHandle stream = BASS_StreamCreateFile(
                true, block.data(), 0, static_cast<std::uint32_t>(block.size()), 0x20000)) {
            outcome.memoryStream = true;
            BASS_StreamGetLength(stream);
            EXPECT_NE(BASS_StreamPlay(stream, false, STREAM_LOOP), 0);
            note(renderPeak());
            EXPECT_NE(BASS_StreamFree(stream), 0);
        }
        if (const EngineHandle music = BASS_MusicLoad(false, name.c_str(), 0, 0, 0)) {
            outcome.music = true;
            BASS_MusicGetLength(music, false);
            EXPECT_NE(BASS_MusicPlayEx(music, 0, -1, true), 0);
            note(renderPeak());
            EXPECT_NE(BASS_MusicFree(music), 0);
        }
        return outcome;
    }

    void expectNothingLeft(const std::string& row) {
        const EngineCounts live = engineLiveObjects();
        EXPECT_EQ(live.samples, 0) << row;
        EXPECT_EQ(live.channels, 0) << row;
        EXPECT_EQ(live.streams, 0) << row;
        EXPECT_EQ(live.musics, 0) << row;
    }
};

// The undamaged originals load where they belong and sound, so that the
// damaged rows below test loaders that do work.
TEST_F(MalformedFiles, OriginalsLoadAndSound) {
    for (const Format& format : FORMATS) {
        const Bytes bytes = original(format);
        if (bytes.empty()) {
            std::printf("%s: libsndfile cannot write it here, not tried\n", format.name);
            continue;
        }
        const Outcome outcome = loadEveryWay(bytes, format.extension);
        if (format.sndfileFormat == 0) {
            EXPECT_TRUE(outcome.music) << format.name;
        } else {
            EXPECT_TRUE(outcome.sample) << format.name;
            EXPECT_TRUE(outcome.stream) << format.name;
            EXPECT_TRUE(outcome.memoryStream) << format.name;
        }
        EXPECT_GT(outcome.loudest, 0.05f) << format.name;
        expectNothingLeft(format.name);
    }
}

TEST_F(MalformedFiles, DamagedCopiesLoadOrFailCleanly) {
    std::uint32_t seed = 1000;
    Bytes previousFormat = original(FORMATS[std::size(FORMATS) - 1]);
    for (const Format& format : FORMATS) {
        const Bytes bytes = original(format);
        if (bytes.empty())
            continue;
        for (const malformed::Variant& variant :
             malformed::variantsOf(bytes, previousFormat, seed)) {
            const std::string row = std::string(format.name) + ", " + variant.name;
            const Outcome outcome = loadEveryWay(variant.bytes, format.extension);
            EXPECT_FALSE(std::isnan(outcome.loudest)) << row << ": the output is not finite";
            expectNothingLeft(row);
        }
        seed += 100;
        previousFormat = bytes;
    }
}

// The same bytes under another format's name: the content decides.
TEST_F(MalformedFiles, MislabelledFilesLoadOrFailCleanly) {
    for (const Format& format : FORMATS) {
        const Bytes bytes = original(format);
        if (bytes.empty())
            continue;
        for (const Format& label : FORMATS) {
            if (std::string(label.extension) == format.extension)
                continue;
            const std::string row = std::string(format.name) + " named ." + label.extension;
            const Outcome outcome = loadEveryWay(bytes, label.extension);
            EXPECT_FALSE(std::isnan(outcome.loudest)) << row;
            expectNothingLeft(row);
        }
    }
}

// Headers that claim rates no sound has: an overflow in sizing buffers from
// the rate, or gigabytes asked for them, must not follow.
TEST_F(MalformedFiles, AbsurdRatesLoadOrFailCleanly) {
    const Bytes aiff = original(FORMATS[5]);
    const Bytes wav = original(FORMATS[0]);
    ASSERT_FALSE(aiff.empty());
    ASSERT_FALSE(wav.empty());
    for (const std::uint32_t rate : {1u, 7u, 800000000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        struct Row {
            const char* name;
            Bytes bytes;
            const char* extension;
        };
        const Row rows[] = {{"AIFF", malformed::aiffWithRate(aiff, rate), "aiff"},
                            {"WAV", malformed::wavWithRate(wav, rate), "wav"}};
        for (const Row& row : rows) {
            const std::string label = std::string(row.name) + " at " + std::to_string(rate) + " Hz";
            ASSERT_FALSE(row.bytes.empty()) << label;
            const Outcome outcome = loadEveryWay(row.bytes, row.extension);
            EXPECT_FALSE(std::isnan(outcome.loudest)) << label;
            expectNothingLeft(label);
        }
    }
}

// The seed corpora of the loader fuzz targets hold every file that once
// broke a loader; each goes through every loader here too.
TEST_F(MalformedFiles, FuzzCorporaLoadOrFailCleanly) {
    const fs::path corpora =
        fs::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz" / "corpus";
    int files = 0;
    for (const char* target : {"sample_load", "stream_memory", "music_load"}) {
        for (const fs::directory_entry& entry : fs::directory_iterator(corpora / target)) {
            const std::string row = std::string(target) + "/" + entry.path().filename().string();
            const Outcome outcome = loadEveryWay(readBytes(entry.path()), "bin");
            EXPECT_FALSE(std::isnan(outcome.loudest)) << row;
            expectNothingLeft(row);
            ++files;
        }
    }
    EXPECT_GT(files, 10) << "the corpora were not found under " << corpora;
}

} // namespace
