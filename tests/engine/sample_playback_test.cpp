#include "tests/engine/sample_test_fixture.h"

#include <vector>

namespace {

constexpr int LEFT = 0;
constexpr int RIGHT = 1;

using SamplePlayback = SampleEngine;

TEST_F(SamplePlayback, ToneSoundsAtTheAskedRate) {
    const EngineHandle sample = loadTone(441.0, 0.5);
    ASSERT_NE(sample, 0u);
    struct Row {
        std::int32_t frequency;
        double expectedHz;
    };
    for (const Row& row : {Row{0, 441.0}, Row{-1, 441.0}, Row{22050, 220.5}, Row{88200, 882.0},
                           Row{33075, 330.75}}) {
        const EngineHandle channel = BASS_SamplePlayEx(sample, 0, row.frequency, 100, 0, false);
        ASSERT_NE(channel, 0u) << "frequency " << row.frequency;
        const StereoBuffer sound = render(0.2);
        BASS_ChannelStop(channel);
        const double measured = zeroCrossingFrequency(sound.channel(LEFT, 441), RATE);
        EXPECT_NEAR(measured, row.expectedHz, row.expectedHz * 0.01)
            << "frequency " << row.frequency;
    }
}

TEST_F(SamplePlayback, VolumeFiftyIsHalfTheAmplitudeOfHundred) {
    const EngineHandle sample = loadTone();
    ASSERT_NE(sample, 0u);
    EngineHandle channel = BASS_SamplePlayEx(sample, 0, -1, 100, 0, true);
    const double full = level(render(0.1), LEFT);
    BASS_ChannelStop(channel);
    channel = BASS_SamplePlayEx(sample, 0, -1, 50, 0, true);
    const double half = level(render(0.1), LEFT);
    EXPECT_NEAR(full, TONE_RMS, TONE_RMS * 0.03);
    EXPECT_NEAR(half / full, 0.5, 0.01);
    ASSERT_EQ(BASS_ChannelSetAttributes(channel, -1, 25, -101), 1);
    render(0.05);
    EXPECT_NEAR(level(render(0.1), LEFT, 0.0) / full, 0.25, 0.01);
    ASSERT_EQ(BASS_ChannelSetAttributes(channel, -1, 0, -101), 1);
    render(0.05);
    EXPECT_LT(level(render(0.1), LEFT, 0.0), 1e-4);
}

// The balance law: at 0 each side as loud as a hard-panned sound on its own
// side; towards one side the other falls linearly to silence.
TEST_F(SamplePlayback, PanFollowsTheBalanceLaw) {
    for (int channels : {1, 2}) {
        const EngineHandle sample = loadTone(441.0, 0.5, channels);
        ASSERT_NE(sample, 0u);
        for (std::int32_t pan : {-100, -75, -50, -20, 0, 20, 50, 75, 100}) {
            const EngineHandle channel = BASS_SamplePlayEx(sample, 0, -1, 100, pan, true);
            ASSERT_NE(channel, 0u);
            const StereoBuffer sound = render(0.1);
            BASS_ChannelStop(channel);
            const double left = level(sound, LEFT) / TONE_RMS;
            const double right = level(sound, RIGHT) / TONE_RMS;
            const double wantLeft = pan <= 0 ? 1.0 : 1.0 - pan / 100.0;
            const double wantRight = pan >= 0 ? 1.0 : 1.0 + pan / 100.0;
            const std::string row =
                "channels " + std::to_string(channels) + " pan " + std::to_string(pan);
            if (wantLeft > 0.0)
                EXPECT_NEAR(toDecibels(left / wantLeft), 0.0, 1.0) << row;
            else
                EXPECT_LT(toDecibels(left), -40.0) << row;
            if (wantRight > 0.0)
                EXPECT_NEAR(toDecibels(right / wantRight), 0.0, 1.0) << row;
            else
                EXPECT_LT(toDecibels(right), -40.0) << row;
        }
    }
}

TEST_F(SamplePlayback, DefaultsOfTheSampleApplyToNewPlays) {
    const EngineHandle sample = loadTone();
    ASSERT_NE(sample, 0u);
    BASS_SAMPLE info{};
    ASSERT_EQ(BASS_SampleGetInfo(sample, &info), 1);
    info.freq = 22050;
    info.volume = 50;
    info.pan = 100;
    ASSERT_EQ(BASS_SampleSetInfo(sample, &info), 1);
    const EngineHandle channel = BASS_SamplePlayEx(sample, 0, -1, -1, -101, true);
    ASSERT_NE(channel, 0u);
    const StereoBuffer sound = render(0.2);
    EXPECT_NEAR(zeroCrossingFrequency(sound.channel(RIGHT, 441), RATE), 220.5, 2.5);
    EXPECT_NEAR(level(sound, RIGHT) / TONE_RMS, 0.5, 0.02);
    EXPECT_LT(toDecibels(level(sound, LEFT) / TONE_RMS), -40.0);
}

TEST_F(SamplePlayback, LoopingKeepsSoundingAndAOneShotEnds) {
    const EngineHandle sample = loadTone(441.0, 0.1);
    ASSERT_NE(sample, 0u);
    const EngineHandle once = BASS_SamplePlayEx(sample, 0, -1, 100, -100, false);
    const EngineHandle looped = BASS_SamplePlayEx(sample, 0, -1, 100, 100, true);
    ASSERT_NE(once, 0u);
    ASSERT_NE(looped, 0u);
    render(0.3);
    const StereoBuffer later = render(0.1);
    EXPECT_LT(level(later, LEFT, 0.0), 1e-4) << "the one-shot has ended";
    EXPECT_NEAR(level(later, RIGHT, 0.0), TONE_RMS, TONE_RMS * 0.05) << "the loop still sounds";
    EXPECT_EQ(engineLiveObjects().channels, 1);
    EXPECT_EQ(BASS_ChannelGetPosition(once), ENGINE_ERROR) << "an ended channel is gone";
    EXPECT_NE(BASS_ChannelGetPosition(looped), ENGINE_ERROR);
}

TEST_F(SamplePlayback, PauseResumeStopAndPosition) {
    const EngineHandle sample = loadTone(441.0, 1.0);
    ASSERT_NE(sample, 0u);
    const EngineHandle channel = BASS_SamplePlayEx(sample, 0, -1, 100, 0, false);
    render(0.1);
    const std::uint32_t position = BASS_ChannelGetPosition(channel);
    EXPECT_NEAR(position, 0.1 * RATE * 2, 0.02 * RATE * 2) << "bytes of 16-bit mono";
    ASSERT_EQ(BASS_ChannelPause(channel), 1);
    EXPECT_LT(level(render(0.1), LEFT), 1e-4);
    EXPECT_EQ(BASS_ChannelGetPosition(channel), BASS_ChannelGetPosition(channel));
    ASSERT_EQ(BASS_ChannelResume(channel), 1);
    EXPECT_GT(level(render(0.1), LEFT), TONE_RMS * 0.9);
    ASSERT_EQ(BASS_ChannelSetPosition(channel, 88200 - 4410), 1);
    render(0.05);
    EXPECT_EQ(BASS_ChannelGetPosition(channel), ENGINE_ERROR) << "played to its end";
    EXPECT_EQ(BASS_ChannelSetPosition(channel, 0), 0);

    const EngineHandle second = BASS_SamplePlayEx(sample, 0, -1, 100, 0, false);
    EXPECT_EQ(BASS_ChannelSetPosition(second, 88200), 0) << "past the end";
    ASSERT_EQ(BASS_ChannelStop(second), 1);
    EXPECT_LT(level(render(0.05), LEFT, 0.01), 1e-4);
    EXPECT_EQ(BASS_ChannelStop(second), 0);
    EXPECT_EQ(engineLiveObjects().channels, 0);
}

TEST_F(SamplePlayback, StaleAndUnknownHandlesAreErrors) {
    const EngineHandle sample = loadTone();
    ASSERT_NE(sample, 0u);
    const EngineHandle live = BASS_SamplePlayEx(sample, 0, -1, 100, 0, true);
    const EngineHandle stopped = BASS_SamplePlayEx(sample, 0, -1, 100, 0, true);
    ASSERT_EQ(BASS_ChannelStop(stopped), 1);
    const EngineHandle unknown = live + 8000;
    for (EngineHandle handle : {stopped, unknown, sample}) {
        EXPECT_EQ(BASS_ChannelSetAttributes(handle, 1000, 0, 0), 0) << handle;
        EXPECT_EQ(BASS_ChannelPause(handle), 0) << handle;
        EXPECT_EQ(BASS_ChannelResume(handle), 0) << handle;
        EXPECT_EQ(BASS_ChannelStop(handle), 0) << handle;
        EXPECT_EQ(BASS_ChannelSetPosition(handle, 0), 0) << handle;
        EXPECT_EQ(BASS_ChannelGetPosition(handle), ENGINE_ERROR) << handle;
    }
    EXPECT_NEAR(level(render(0.1), LEFT), TONE_RMS, TONE_RMS * 0.03)
        << "the live channel untouched";
    const EngineHandle again = BASS_SamplePlayEx(sample, 0, -1, 100, 0, true);
    EXPECT_NE(again, stopped) << "handles are not given out twice";
}

TEST_F(SamplePlayback, EleventhPlayTakesOverTheLongestPlaying) {
    const EngineHandle sample = loadTone(441.0, 0.5, 1, SAMPLE_OVER_POS);
    ASSERT_NE(sample, 0u);
    std::vector<EngineHandle> channels;
    for (int k = 0; k < 10; ++k) {
        channels.push_back(BASS_SamplePlayEx(sample, 0, -1, 10, 0, true));
        ASSERT_NE(channels.back(), 0u);
        render(0.01);
    }
    const EngineHandle eleventh = BASS_SamplePlayEx(sample, 0, -1, 10, 0, true);
    ASSERT_NE(eleventh, 0u);
    EXPECT_EQ(BASS_ChannelGetPosition(channels[0]), ENGINE_ERROR) << "the first was taken over";
    for (std::size_t k = 1; k < channels.size(); ++k)
        EXPECT_NE(BASS_ChannelGetPosition(channels[k]), ENGINE_ERROR) << "channel " << k;
    EXPECT_EQ(engineLiveObjects().channels, 10);
}

TEST_F(SamplePlayback, TakingOverFollowsTheSampleFlags) {
    struct Row {
        std::uint32_t flags;
        int victim; // index of the channel taken over, -1: the play fails
    };
    // Channel 0 starts first; channel 1 is the quietest; channel 2 the
    // furthest from the listener.
    for (const Row& row :
         {Row{0, -1}, Row{SAMPLE_OVER_POS, 0}, Row{SAMPLE_OVER_VOL, 1}, Row{SAMPLE_OVER_DIST, 2}}) {
        ToneSpec tone;
        const std::string name = "takeover" + std::to_string(row.flags) + ".wav";
        ASSERT_TRUE(writeTone(dir / name, tone));
        const EngineHandle sample = BASS_SampleLoad(false, name.c_str(), 0, 0, 3, row.flags);
        ASSERT_NE(sample, 0u);
        const BASS_3DVECTOR near{1.0f, 0.0f, 0.0f};
        const BASS_3DVECTOR far{50.0f, 0.0f, 0.0f};
        const EngineHandle played[3] = {
            BASS_SamplePlay3DEx(sample, &near, nullptr, nullptr, 0, -1, 80, true),
            BASS_SamplePlay3DEx(sample, &near, nullptr, nullptr, 0, -1, 1, true),
            BASS_SamplePlay3DEx(sample, &far, nullptr, nullptr, 0, -1, 100, true)};
        const EngineHandle next =
            BASS_SamplePlay3DEx(sample, &near, nullptr, nullptr, 0, -1, 50, true);
        for (int k = 0; k < 3; ++k) {
            const bool gone = BASS_ChannelGetPosition(played[k]) == ENGINE_ERROR;
            EXPECT_EQ(gone, k == row.victim) << "flags " << row.flags << " channel " << k;
        }
        EXPECT_EQ(next == 0, row.victim < 0) << "flags " << row.flags;
        BASS_SampleFree(sample);
    }
}

TEST_F(SamplePlayback, SampleStopAndFree) {
    const EngineHandle sample = loadTone();
    ASSERT_NE(sample, 0u);
    const EngineHandle a = BASS_SamplePlayEx(sample, 0, -1, 100, 0, true);
    const EngineHandle b = BASS_SamplePlayEx(sample, 0, -1, 100, 0, true);
    ASSERT_EQ(BASS_SampleStop(sample), 1);
    EXPECT_EQ(BASS_ChannelGetPosition(a), ENGINE_ERROR);
    EXPECT_EQ(BASS_ChannelGetPosition(b), ENGINE_ERROR);
    EXPECT_LT(level(render(0.05), LEFT, 0.01), 1e-4);
    const EngineHandle c = BASS_SamplePlayEx(sample, 0, -1, 100, 0, true);
    ASSERT_NE(c, 0u) << "a stopped sample still plays";
    ASSERT_EQ(BASS_SampleFree(sample), 1);
    EXPECT_EQ(BASS_ChannelGetPosition(c), ENGINE_ERROR);
    EXPECT_EQ(engineLiveObjects().samples, 0);
    EXPECT_EQ(engineLiveObjects().channels, 0);
    BASS_SAMPLE info{};
    EXPECT_EQ(BASS_SampleGetInfo(sample, &info), 0);
    EXPECT_EQ(BASS_SampleSetInfo(sample, &info), 0);
    EXPECT_EQ(BASS_SamplePlayEx(sample, 0, -1, 100, 0, false), 0u);
    EXPECT_EQ(BASS_SampleStop(sample), 0);
    EXPECT_EQ(BASS_SampleFree(sample), 0);
    EXPECT_EQ(BASS_SampleFree(0), 0);
}

TEST_F(SamplePlayback, SampleClassVolumeReachesPlayingChannels) {
    const EngineHandle sample = loadTone();
    ASSERT_NE(sample, 0u);
    BASS_SamplePlayEx(sample, 0, -1, 100, 0, true);
    const double full = level(render(0.1), LEFT);
    ASSERT_EQ(BASS_SetGlobalVolumes(-1, 50, -1), 1);
    render(0.05);
    EXPECT_NEAR(level(render(0.1), LEFT, 0.0) / full, 0.5, 0.01);
}

} // namespace

namespace {

// Sample channels stop at their share of OpenAL's sources; what is left
// stays free for streams, modules and the CD.
TEST_F(SamplePlayback, ChannelsLeaveSourcesForStreams) {
    ToneSpec tone;
    tone.seconds = 0.2;
    const EngineHandle sample = loadTone("many.wav", tone, 0, 65535);
    ASSERT_NE(sample, 0u);
    int played = 0;
    for (int k = 0; k < 4100; ++k)
        played += BASS_SamplePlayEx(sample, 0, -1, 1, 0, true) != 0 ? 1 : 0;
    EXPECT_GE(played, 3900);
    EXPECT_LE(played, 4000);
    const EngineHandle stream = BASS_StreamCreateFile(false, "many.wav", 0, 0, 0);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_StreamPlay(stream, false, 0), 1);
    ASSERT_EQ(BASS_SampleStop(sample), 1);
    EXPECT_NE(BASS_SamplePlayEx(sample, 0, -1, 1, 0, false), 0u)
        << "stopped channels give theirs back";
    BASS_StreamFree(stream);
}

} // namespace
