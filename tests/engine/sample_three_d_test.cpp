#include "tests/engine/sample_test_fixture.h"

namespace {

constexpr int LEFT = 0;
constexpr int RIGHT = 1;

using SampleThreeD = SampleEngine;

TEST_F(SampleThreeD, SourceOnTheRightIsLouderThereAndQuieterWithDistance) {
    const EngineHandle sample = loadTone(441.0, 0.5, 1, SAMPLE_3D);
    ASSERT_NE(sample, 0u);
    const BASS_3DVECTOR near{2.0f, 0.0f, 0.0f};
    const BASS_3DVECTOR far{8.0f, 0.0f, 0.0f};
    EngineHandle channel = BASS_SamplePlay3DEx(sample, &near, nullptr, nullptr, 0, -1, 100, true);
    ASSERT_NE(channel, 0u);
    const StereoBuffer nearSound = render(0.1);
    BASS_ChannelStop(channel);
    channel = BASS_SamplePlay3DEx(sample, &far, nullptr, nullptr, 0, -1, 100, true);
    const StereoBuffer farSound = render(0.1);
    EXPECT_GT(level(nearSound, RIGHT), 4.0 * level(nearSound, LEFT));
    // Inverse distance from a minimum distance of 1: 1/2 against 1/8.
    EXPECT_NEAR(level(farSound, RIGHT) / level(nearSound, RIGHT), 0.25, 0.02);
}

TEST_F(SampleThreeD, FrontIsPositiveZ) {
    const EngineHandle sample = loadTone(441.0, 0.5, 1, SAMPLE_3D);
    const BASS_3DVECTOR ahead{0.0f, 0.0f, 1.0f};
    const BASS_3DVECTOR front{0.0f, 0.0f, 1.0f};
    const BASS_3DVECTOR top{0.0f, 1.0f, 0.0f};
    // Turned to face +x, the source ahead of the engine's z axis is on the left.
    const BASS_3DVECTOR facingRight{1.0f, 0.0f, 0.0f};
    ASSERT_EQ(BASS_Set3DPosition(nullptr, nullptr, &front, &top), 1);
    BASS_Apply3D();
    BASS_SamplePlay3DEx(sample, &ahead, nullptr, nullptr, 0, -1, 100, true);
    const StereoBuffer straight = render(0.1);
    EXPECT_NEAR(toDecibels(level(straight, LEFT) / level(straight, RIGHT)), 0.0, 0.5);
    ASSERT_EQ(BASS_Set3DPosition(nullptr, nullptr, &facingRight, nullptr), 1);
    BASS_Apply3D();
    render(0.05);
    const StereoBuffer turned = render(0.1);
    EXPECT_GT(level(turned, LEFT), 4.0 * level(turned, RIGHT));
}

TEST_F(SampleThreeD, ListenerChangesWaitForApply) {
    const EngineHandle sample = loadTone(441.0, 0.5, 1, SAMPLE_3D);
    const BASS_3DVECTOR source{0.0f, 0.0f, 0.0f};
    BASS_SamplePlay3DEx(sample, &source, nullptr, nullptr, 0, -1, 100, true);
    render(0.05);
    // The listener moves to the source's right: the source would be on the left.
    const BASS_3DVECTOR moved{3.0f, 0.0f, 0.0f};
    ASSERT_EQ(BASS_Set3DPosition(&moved, nullptr, nullptr, nullptr), 1);
    ASSERT_EQ(BASS_Set3DFactors(-1.0f, 2.0f, -1.0f), 1);
    const StereoBuffer before = render(0.1);
    EXPECT_NEAR(toDecibels(level(before, LEFT) / level(before, RIGHT)), 0.0, 0.5)
        << "nothing changes before BASS_Apply3D";
    BASS_Apply3D();
    render(0.05);
    const StereoBuffer after = render(0.1);
    EXPECT_GT(level(after, LEFT), 4.0 * level(after, RIGHT));
    // Roll-off 2 at distance 3 from a minimum distance of 1: 1 / (1 + 2 * 2).
    EXPECT_NEAR(level(after, LEFT), TONE_RMS * 0.2, TONE_RMS * 0.03);
}

TEST_F(SampleThreeD, ApproachingSoundsHigherThanReceding) {
    const EngineHandle sample = loadTone(441.0, 0.5, 1, SAMPLE_3D);
    const BASS_3DVECTOR position{0.0f, 0.0f, 20.0f};
    const BASS_3DVECTOR approaching{0.0f, 0.0f, -30.0f};
    const BASS_3DVECTOR receding{0.0f, 0.0f, 30.0f};
    EngineHandle channel =
        BASS_SamplePlay3DEx(sample, &position, nullptr, &approaching, 0, -1, 100, true);
    const double up = zeroCrossingFrequency(render(0.2).channel(LEFT, 441), RATE);
    BASS_ChannelStop(channel);
    channel = BASS_SamplePlay3DEx(sample, &position, nullptr, &receding, 0, -1, 100, true);
    const double down = zeroCrossingFrequency(render(0.2).channel(LEFT, 441), RATE);
    EXPECT_NEAR(up, 441.0 * 343.3 / (343.3 - 30.0), 3.0);
    EXPECT_NEAR(down, 441.0 * 343.3 / (343.3 + 30.0), 3.0);
    // Doppler factor 0 takes the shift away.
    ASSERT_EQ(BASS_Set3DFactors(-1.0f, -1.0f, 0.0f), 1);
    BASS_Apply3D();
    EXPECT_NEAR(zeroCrossingFrequency(render(0.2).channel(LEFT, 441), RATE), 441.0, 2.0);
}

TEST_F(SampleThreeD, PlainChannelsIgnoreTheListener) {
    const EngineHandle sample = loadTone();
    BASS_SamplePlayEx(sample, 0, -1, 100, 100, true);
    const BASS_3DVECTOR far{100.0f, 0.0f, 0.0f};
    const BASS_3DVECTOR fast{0.0f, 0.0f, 200.0f};
    const BASS_3DVECTOR back{0.0f, 0.0f, -1.0f};
    ASSERT_EQ(BASS_Set3DPosition(&far, &fast, &back, nullptr), 1);
    BASS_Apply3D();
    render(0.05);
    const StereoBuffer sound = render(0.2);
    EXPECT_NEAR(level(sound, RIGHT, 0.0), TONE_RMS, TONE_RMS * 0.05);
    EXPECT_LT(toDecibels(level(sound, LEFT, 0.0) / TONE_RMS), -40.0);
    EXPECT_NEAR(zeroCrossingFrequency(sound.channel(RIGHT), RATE), 441.0, 2.0);
}

TEST_F(SampleThreeD, UnusableValuesAreRefusedAndChangeNothing) {
    const BASS_3DVECTOR zero{0.0f, 0.0f, 0.0f};
    const BASS_3DVECTOR up{0.0f, 1.0f, 0.0f};
    const BASS_3DVECTOR bad{std::nanf(""), 0.0f, 0.0f};
    EXPECT_EQ(BASS_Set3DPosition(nullptr, nullptr, &zero, nullptr), 0) << "no front";
    EXPECT_EQ(BASS_Set3DPosition(nullptr, nullptr, &up, &up), 0) << "front along top";
    EXPECT_EQ(BASS_Set3DPosition(&bad, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(BASS_Set3DFactors(std::nanf(""), -1.0f, -1.0f), 0);
    EXPECT_EQ(BASS_Set3DPosition(nullptr, nullptr, nullptr, nullptr), 1);
    BASS_Apply3D();
    const EngineHandle sample = loadTone(441.0, 0.5, 1, SAMPLE_3D);
    EXPECT_EQ(BASS_SamplePlay3DEx(sample, &bad, nullptr, nullptr, 0, -1, 100, false), 0u);
    const BASS_3DVECTOR right{2.0f, 0.0f, 0.0f};
    ASSERT_NE(BASS_SamplePlay3DEx(sample, &right, nullptr, nullptr, 0, -1, 100, true), 0u);
    const StereoBuffer sound = render(0.1);
    EXPECT_GT(level(sound, RIGHT), 4.0 * level(sound, LEFT)) << "the listener is as it was";
}

} // namespace
