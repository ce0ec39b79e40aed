#include "engine/engine.h"
#include "engine/loopback.h"
#include "tests/support/analysis.h"
#include "tests/support/engine_render.h"
#include "tests/support/sound_files.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int RATE = 44100;
// 441 Hz: a period of exactly 100 frames, so a tone of whole periods loops
// without a seam of its own.
constexpr double LOOP_TONE_HZ = 441.0;
constexpr double AMPLITUDE = 0.5;
// Heard position may lag or lead the rendered count by up to a 5 ms render
// slice, plus rounding.
constexpr double POSITION_SLACK_FRAMES = 512;

std::vector<float> sine(double hz, int frames, int channels) {
    std::vector<float> out;
    out.reserve(static_cast<std::size_t>(frames * channels));
    for (int i = 0; i < frames; ++i) {
        const auto v =
            static_cast<float>(AMPLITUDE * std::sin(2 * std::numbers::pi * hz * i / RATE));
        for (int c = 0; c < channels; ++c)
            out.push_back(v);
    }
    return out;
}

// The tone a file plays from frame `from` on: 441 Hz before the middle,
// 882 Hz after, so a jump is heard in the pitch.
std::vector<float> twoTones(int frames) {
    std::vector<float> out = sine(LOOP_TONE_HZ, frames / 2, 2);
    const std::vector<float> high = sine(2 * LOOP_TONE_HZ, frames - frames / 2, 2);
    out.insert(out.end(), high.begin(), high.end());
    return out;
}

class StreamPlayback : public EngineInScratchDir {
  protected:
    void SetUp() override {
        EngineInScratchDir::SetUp();
        openEngine(RATE);
    }

    EngineHandle open(const char* name, std::uint32_t flags = 0) {
        return BASS_StreamCreateFile(false, name, 0, 0, flags);
    }

    static std::vector<std::uint8_t> bytesOf(const char* name) {
        std::ifstream in(name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

double framesAt(std::uint32_t bytes, int channels) {
    return bytes / (2.0 * channels);
}

TEST_F(StreamPlayback, LengthIsDecodedBytesInTheFilesChannelCount) {
    struct Row {
        const char* name;
        int channels;
        int frames;
        int format;
        std::uint32_t bytes;
    };
    const Row rows[] = {
        {"stereo.wav", 2, 66150, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 264600}, // 1.5 s
        {"mono.wav", 1, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 88200},
        {"mono24.aiff", 1, 1000, SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 2000},
        {"stereo.flac", 2, 22050, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 88200},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ToneSpec tone;
        tone.seconds = static_cast<double>(row.frames) / RATE;
        tone.channels = row.channels;
        tone.format = row.format;
        ASSERT_TRUE(writeTone(row.name, tone));
        const EngineHandle file = open(row.name);
        ASSERT_NE(file, 0u);
        EXPECT_EQ(BASS_StreamGetLength(file), row.bytes);
        const std::vector<std::uint8_t> copy = bytesOf(row.name);
        const EngineHandle memory = BASS_StreamCreateFile(
            true, copy.data(), 0, static_cast<std::uint32_t>(copy.size()), 0x20000);
        ASSERT_NE(memory, 0u);
        EXPECT_EQ(BASS_StreamGetLength(memory), row.bytes);
        EXPECT_EQ(engineLiveObjects().streams, 2);
        EXPECT_EQ(BASS_StreamFree(file), 1);
        EXPECT_EQ(BASS_StreamFree(memory), 1);
        EXPECT_EQ(engineLiveObjects().streams, 0);
        EXPECT_EQ(BASS_StreamGetLength(file), ENGINE_ERROR);
    }
}

TEST_F(StreamPlayback, BadFilesMakeNoStream) {
    ASSERT_TRUE(writeWav16("whole.wav", sine(441, 22050, 2), 2, RATE));
    const std::vector<std::uint8_t> whole = bytesOf("whole.wav");
    std::ofstream("cut.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(whole.data()),
               static_cast<std::streamsize>(whole.size() / 2));
    std::ofstream("header.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(whole.data()), 20);
    std::ofstream("text.wav") << "this is not a sound file at all, just some words\n";
    // A header that claims two billion frames a second.
    std::vector<std::uint8_t> fast = whole;
    for (std::size_t k = 0; k < 4; ++k)
        fast[24 + k] = static_cast<std::uint8_t>(2'000'000'000u >> (8 * k));
    std::ofstream("fast.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(fast.data()),
               static_cast<std::streamsize>(fast.size()));
    std::ofstream("empty.ogg");
    for (const char* name :
         {"missing.wav", "cut.wav", "header.wav", "text.wav", "empty.ogg", "fast.wav"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(open(name), 0u);
        const std::vector<std::uint8_t> copy = bytesOf(name);
        EXPECT_EQ(
            BASS_StreamCreateFile(true, copy.data(), 0, static_cast<std::uint32_t>(copy.size()), 0),
            0u);
        EXPECT_EQ(engineLiveObjects().streams, 0);
    }
    EXPECT_EQ(BASS_StreamGetLength(0), ENGINE_ERROR);
    EXPECT_EQ(BASS_StreamPlay(0, false, 0), 0);
}

TEST_F(StreamPlayback, PositionFollowsWhatIsHeardAndJumpsWhenSet) {
    const int frames = 2 * RATE;
    ASSERT_TRUE(writeWav16("two.wav", twoTones(frames), 2, RATE));
    const EngineHandle s = open("two.wav");
    ASSERT_NE(s, 0u);
    EXPECT_EQ(BASS_ChannelGetPosition(s), 0u);
    ASSERT_EQ(BASS_StreamPlay(s, false, 0), 1);
    const StereoBuffer first = render(0.5);
    EXPECT_NEAR(framesAt(BASS_ChannelGetPosition(s), 2), RATE / 2, POSITION_SLACK_FRAMES);
    EXPECT_NEAR(zeroCrossingFrequency(first.channel(0, 4410), RATE), LOOP_TONE_HZ, 5.0);

    // Into the high half: heard at once, and the position goes on from there.
    ASSERT_EQ(BASS_ChannelSetPosition(s, 60000 * 4), 1);
    EXPECT_NEAR(framesAt(BASS_ChannelGetPosition(s), 2), 60000, POSITION_SLACK_FRAMES);
    const StereoBuffer after = render(0.2);
    EXPECT_NEAR(framesAt(BASS_ChannelGetPosition(s), 2), 60000 + RATE / 5, POSITION_SLACK_FRAMES);
    EXPECT_NEAR(zeroCrossingFrequency(after.channel(0, 1024), RATE), 2 * LOOP_TONE_HZ, 10.0);

    // Beyond the end cannot be set, and leaves the position alone.
    EXPECT_EQ(BASS_ChannelSetPosition(s, frames * 4 + 4), 0);
    EXPECT_GT(framesAt(BASS_ChannelGetPosition(s), 2), 60000);
}

TEST_F(StreamPlayback, PausedStreamHoldsItsPositionAndIsSilent) {
    ASSERT_TRUE(writeWav16("tone.wav", sine(LOOP_TONE_HZ, RATE, 2), 2, RATE));
    const EngineHandle s = open("tone.wav");
    ASSERT_EQ(BASS_StreamPlay(s, false, 0), 1);
    render(0.2);
    ASSERT_EQ(BASS_ChannelPause(s), 1);
    const std::uint32_t held = BASS_ChannelGetPosition(s);
    EXPECT_LT(rms(render(0.3).channel(0)), 1e-4);
    EXPECT_EQ(BASS_ChannelGetPosition(s), held);
    ASSERT_EQ(BASS_ChannelResume(s), 1);
    EXPECT_GT(rms(render(0.1).channel(0)), 0.2);
    EXPECT_NEAR(framesAt(BASS_ChannelGetPosition(s), 2), framesAt(held, 2) + RATE / 10,
                POSITION_SLACK_FRAMES);

    // Stop keeps nothing playing; a play after stop and position 0 starts over.
    ASSERT_EQ(BASS_ChannelStop(s), 1);
    ASSERT_EQ(BASS_ChannelSetPosition(s, 0), 1);
    EXPECT_LT(rms(render(0.1).channel(0)), 1e-4);
    EXPECT_EQ(BASS_ChannelGetPosition(s), 0u);
    ASSERT_EQ(BASS_StreamPlay(s, false, 0), 1);
    render(0.1);
    EXPECT_NEAR(framesAt(BASS_ChannelGetPosition(s), 2), RATE / 10, POSITION_SLACK_FRAMES);
}

// The voice state graph of engine/streaming.h, every state by every
// transport call: whether the stream sounds afterwards and what the call said.
TEST_F(StreamPlayback, TransportFromEveryState) {
    ASSERT_TRUE(writeWav16("tone.wav", sine(LOOP_TONE_HZ, RATE, 2), 2, RATE));
    enum class From { Stopped, Playing, Paused };
    enum class Call { Play, Pause, Resume, Stop };
    struct Row {
        From from;
        Call call;
        int result;
        bool sounds;
    };
    const Row rows[] = {
        {From::Stopped, Call::Play, 1, true},    {From::Stopped, Call::Pause, 0, false},
        {From::Stopped, Call::Resume, 0, false}, {From::Stopped, Call::Stop, 1, false},
        {From::Playing, Call::Play, 1, true},    {From::Playing, Call::Pause, 1, false},
        {From::Playing, Call::Resume, 0, true},  {From::Playing, Call::Stop, 1, false},
        {From::Paused, Call::Play, 1, true},     {From::Paused, Call::Pause, 0, false},
        {From::Paused, Call::Resume, 1, true},   {From::Paused, Call::Stop, 1, false},
    };
    const char* fromNames[] = {"stopped", "playing", "paused"};
    const char* callNames[] = {"play", "pause", "resume", "stop"};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("from=") + fromNames[static_cast<int>(row.from)] +
                     " call=" + callNames[static_cast<int>(row.call)]);
        const EngineHandle s = open("tone.wav");
        ASSERT_NE(s, 0u);
        if (row.from != From::Stopped) {
            ASSERT_EQ(BASS_StreamPlay(s, false, STREAM_LOOP), 1);
            render(0.05);
        }
        if (row.from == From::Paused) {
            ASSERT_EQ(BASS_ChannelPause(s), 1);
        }
        int result = -1;
        switch (row.call) {
        case Call::Play:
            result = BASS_StreamPlay(s, false, STREAM_LOOP);
            break;
        case Call::Pause:
            result = BASS_ChannelPause(s);
            break;
        case Call::Resume:
            result = BASS_ChannelResume(s);
            break;
        case Call::Stop:
            result = BASS_ChannelStop(s);
            break;
        }
        EXPECT_EQ(result, row.result);
        const double level = rms(render(0.1).channel(0, 441));
        if (row.sounds) {
            EXPECT_GT(level, 0.2);
        } else {
            EXPECT_LT(level, 1e-4);
        }
        BASS_StreamFree(s);
    }
}

TEST_F(StreamPlayback, LoopedStreamPlaysPastItsEndWithoutGapOrClick) {
    // 0.3 s of whole periods.
    const int frames = 13200;
    ASSERT_TRUE(writeWav16("loop.wav", sine(LOOP_TONE_HZ, frames, 2), 2, RATE));
    const EngineHandle s = open("loop.wav");
    ASSERT_EQ(BASS_StreamPlay(s, false, STREAM_LOOP), 1);
    const StereoBuffer out = render(1.0);
    const std::vector<float> left = out.channel(0);
    // Every 5 ms window sounds; no step between neighbours exceeds the
    // sine's own steepest.
    const double steepest = AMPLITUDE * 2 * std::numbers::pi * LOOP_TONE_HZ / RATE;
    double worstStep = 0.0;
    for (std::size_t i = 1; i < left.size(); ++i)
        worstStep = std::max(worstStep, std::fabs(double{left[i]} - left[i - 1]));
    EXPECT_LT(worstStep, steepest * 1.5);
    for (std::size_t start = 0; start + 220 <= left.size(); start += 220)
        ASSERT_GT(rms(std::vector<float>(left.begin() + static_cast<long>(start),
                                         left.begin() + static_cast<long>(start + 220))),
                  0.25)
            << "window at frame " << start;
    // Three passes and a third: the position has wrapped.
    EXPECT_NEAR(framesAt(BASS_ChannelGetPosition(s), 2), RATE - 3 * frames, POSITION_SLACK_FRAMES);
}

TEST_F(StreamPlayback, UnloopedStreamEndsByItselfAndPlaysAgainFromTheStart) {
    const int frames = RATE / 5;
    ASSERT_TRUE(writeWav16("short.wav", sine(LOOP_TONE_HZ, frames, 1), 1, RATE));
    const EngineHandle s = open("short.wav");
    ASSERT_EQ(BASS_StreamPlay(s, false, 0), 1);
    const StereoBuffer out = render(0.5);
    EXPECT_GT(rms(out.channel(0, 0, 4410)), 0.2);
    EXPECT_LT(rms(out.channel(0, 11025)), 1e-4);
    EXPECT_EQ(BASS_ChannelGetPosition(s), static_cast<std::uint32_t>(frames * 2));
    ASSERT_EQ(BASS_StreamPlay(s, false, 0), 1);
    EXPECT_GT(rms(render(0.1).channel(0)), 0.2);
}

TEST_F(StreamPlayback, MemoryStreamSoundsLikeTheFileStream) {
    ASSERT_TRUE(writeWav16("two.wav", twoTones(RATE / 2), 2, RATE));
    const std::vector<std::uint8_t> copy = bytesOf("two.wav");
    std::vector<StereoBuffer> heard;
    for (const bool fromMemory : {false, true}) {
        const EngineHandle s =
            fromMemory ? BASS_StreamCreateFile(true, copy.data(), 0,
                                               static_cast<std::uint32_t>(copy.size()), 0x20000)
                       : open("two.wav", 0x20000);
        ASSERT_NE(s, 0u);
        ASSERT_EQ(BASS_StreamPlay(s, false, 0), 1);
        heard.push_back(render(0.6));
        BASS_StreamFree(s);
    }
    ASSERT_EQ(heard[0].samples.size(), heard[1].samples.size());
    EXPECT_GT(rms(heard[0].channel(0)), 0.2);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < heard[0].samples.size(); ++i)
        differing += std::fabs(heard[0].samples[i] - heard[1].samples[i]) > 1e-6f ? 1 : 0;
    EXPECT_EQ(differing, 0u);
}

TEST_F(StreamPlayback, VolumeTimesStreamClassVolume) {
    ASSERT_TRUE(writeWav16("tone.wav", sine(LOOP_TONE_HZ, RATE, 2), 2, RATE));
    const EngineHandle s = open("tone.wav");
    ASSERT_EQ(BASS_StreamPlay(s, false, STREAM_LOOP), 1);
    const double full = rms(render(0.2).channel(0, 4410));
    ASSERT_GT(full, 0.2);
    ASSERT_EQ(BASS_ChannelSetAttributes(s, -1, 50, -1), 1);
    EXPECT_NEAR(rms(render(0.1).channel(0, 441)) / full, 0.5, 0.05);
    ASSERT_EQ(BASS_SetGlobalVolumes(-1, -1, 50), 1);
    EXPECT_NEAR(rms(render(0.1).channel(0, 441)) / full, 0.25, 0.05);
    // 65535 is above the range: full volume.
    ASSERT_EQ(BASS_ChannelSetAttributes(s, -1, 65535, -1), 1);
    ASSERT_EQ(BASS_SetGlobalVolumes(-1, -1, 100), 1);
    EXPECT_NEAR(rms(render(0.1).channel(0, 441)) / full, 1.0, 0.05);
}

} // namespace
