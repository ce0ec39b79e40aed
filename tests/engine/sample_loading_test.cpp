#include "tests/engine/sample_test_fixture.h"

#include <sndfile.h>

#include <fstream>

namespace {

using SampleLoading = SampleEngine;

TEST_F(SampleLoading, EveryFormatLibsndfileReadsDecodesAndPlays) {
    struct Row {
        const char* name;
        int format;
        int rate;
    };
    const Row rows[] = {
        {"u8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 44100},
        {"s16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100},
        {"s24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 22050},
        {"s32.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 44100},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100},
        {"ima.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 44100},
        {"ms.wav", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 44100},
        {"tone.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100},
        {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100},
        {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100},
        {"tone.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000},
        {"tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100},
    };
    for (const Row& row : rows) {
        ToneSpec tone;
        tone.sampleRate = row.rate;
        tone.seconds = 0.3;
        tone.format = row.format;
        const EngineHandle sample = loadTone(row.name, tone);
        ASSERT_NE(sample, 0u) << row.name;
        BASS_SAMPLE info{};
        ASSERT_EQ(BASS_SampleGetInfo(sample, &info), 1) << row.name;
        EXPECT_EQ(info.freq, static_cast<std::uint32_t>(row.rate)) << row.name;
        EXPECT_EQ(info.chans, 1u) << row.name;
        EXPECT_EQ(info.bits, 16u) << row.name;
        // ADPCM writers pad the last block.
        EXPECT_GE(info.length, 0.29 * row.rate * 2) << row.name;
        EXPECT_LT(info.length, 0.4 * row.rate * 2) << row.name;
        const EngineHandle channel = BASS_SamplePlayEx(sample, 0, -1, 100, 0, false);
        ASSERT_NE(channel, 0u) << row.name;
        const StereoBuffer sound = render(0.2);
        EXPECT_NEAR(zeroCrossingFrequency(sound.channel(0, 2205, 4410), RATE), 440.0, 5.0)
            << row.name;
        EXPECT_NEAR(level(sound, 0, 0.05), TONE_RMS, TONE_RMS * 0.15) << row.name;
        BASS_SampleFree(sample);
    }
}

TEST_F(SampleLoading, FlagsChooseBitsAndChannels) {
    struct Row {
        int fileChannels;
        std::uint32_t flags;
        std::uint32_t chans, bits;
    };
    for (const Row& row : {Row{2, 0, 2, 16}, Row{2, SAMPLE_MONO, 1, 16}, Row{2, SAMPLE_3D, 1, 16},
                           Row{1, SAMPLE_8BITS, 1, 8}, Row{2, SAMPLE_8BITS, 2, 8}}) {
        ToneSpec tone;
        tone.channels = row.fileChannels;
        tone.seconds = 0.25;
        const EngineHandle sample =
            loadTone("flags" + std::to_string(serial++) + ".wav", tone, row.flags | 0x20000);
        ASSERT_NE(sample, 0u);
        BASS_SAMPLE info{};
        ASSERT_EQ(BASS_SampleGetInfo(sample, &info), 1);
        const std::string what = "file channels " + std::to_string(row.fileChannels) + " flags " +
                                 std::to_string(row.flags);
        EXPECT_EQ(info.chans, row.chans) << what;
        EXPECT_EQ(info.bits, row.bits) << what;
        EXPECT_EQ(info.length, 11025u * row.chans * row.bits / 8) << what;
        EXPECT_EQ(info.flags, row.flags | 0x20000) << what;
        EXPECT_EQ(info.max, 10u) << what;
        EXPECT_EQ(info.volume, 100u) << what;
        EXPECT_EQ(info.pan, 0) << what;
        const EngineHandle channel = BASS_SamplePlayEx(sample, 0, -1, 100, 0, false);
        const double heard = level(render(0.1), 0);
        EXPECT_NEAR(heard, TONE_RMS, TONE_RMS * 0.05) << what;
        BASS_ChannelStop(channel);
    }
}

TEST_F(SampleLoading, DosStyleNamesFindTheFile) {
    std::filesystem::create_directories(dir / "sounds");
    ToneSpec tone;
    tone.seconds = 0.1;
    ASSERT_TRUE(writeTone(dir / "sounds" / "boom.wav", tone));
    const EngineHandle sample = BASS_SampleLoad(false, "SOUNDS\\BOOM.WAV", 0, 0, 10, 0);
    EXPECT_NE(sample, 0u);
}

TEST_F(SampleLoading, BadFilesGiveZeroAndLeaveNothing) {
    std::ofstream(dir / "empty.wav").close();
    std::ofstream(dir / "garbage.wav") << std::string(5000, 'x');
    std::ofstream(dir / "header.wav") << "RIFF\x24\0\0\0WAVEfmt ";
    std::filesystem::create_directories(dir / "folder.wav");
    ToneSpec silentTone;
    silentTone.seconds = 0.0;
    ASSERT_TRUE(writeTone(dir / "noframes.wav", silentTone));
    ToneSpec good;
    good.seconds = 0.1;
    ASSERT_TRUE(writeTone(dir / "good.wav", good));
    for (const char* name : {"missing.wav", "empty.wav", "garbage.wav", "header.wav", "folder.wav",
                             "noframes.wav", ""}) {
        EXPECT_EQ(BASS_SampleLoad(false, name, 0, 0, 10, 0), 0u) << name;
        EXPECT_EQ(engineLiveObjects().samples, 0) << name;
    }
    EXPECT_EQ(BASS_SampleLoad(false, nullptr, 0, 0, 10, 0), 0u);
    EXPECT_EQ(BASS_SampleLoad(false, "good.wav", 0, 0, 0, 0), 0u) << "no channel allowed";
    EXPECT_NE(BASS_SampleLoad(false, "good.wav", 0, 0, 10, 0), 0u);
    EXPECT_EQ(engineLiveObjects().samples, 1);
}

TEST_F(SampleLoading, FromMemory) {
    ToneSpec tone;
    tone.seconds = 0.1;
    ASSERT_TRUE(writeTone(dir / "memory.wav", tone));
    std::ifstream in(dir / "memory.wav", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string padded = "PAD!" + bytes;
    const EngineHandle sample =
        BASS_SampleLoad(true, padded.data(), 4, static_cast<std::uint32_t>(bytes.size()), 10, 0);
    ASSERT_NE(sample, 0u);
    BASS_SAMPLE info{};
    ASSERT_EQ(BASS_SampleGetInfo(sample, &info), 1);
    EXPECT_EQ(info.length, 4410u * 2);
    EXPECT_EQ(BASS_SampleLoad(true, padded.data(), 0, 100, 10, 0), 0u);
}

TEST_F(SampleLoading, FreeAllAtShutdownLeavesNothing) {
    const EngineHandle sample = loadTone();
    ASSERT_NE(sample, 0u);
    BASS_SamplePlayEx(sample, 0, -1, 100, 0, true);
    const BASS_3DVECTOR right{3.0f, 0.0f, 0.0f};
    BASS_SamplePlay3DEx(sample, &right, nullptr, nullptr, 0, -1, 100, true);
    ASSERT_EQ(BASS_Free(), 1);
    EXPECT_EQ(engineLiveObjects().samples, 0);
    BASS_SAMPLE info{};
    EXPECT_EQ(BASS_SampleGetInfo(sample, &info), 0);
    ASSERT_NE(BASS_Init(-1, RATE, DEVICE_3D, nullptr), 0);
    EXPECT_EQ(BASS_SampleGetInfo(sample, &info), 0) << "an old handle reaches nothing";
}

} // namespace
