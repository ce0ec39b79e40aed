#include "engine/engine.h"
#include "engine/loopback.h"
#include "tests/support/analysis.h"
#include "tests/support/engine_render.h"
#include "tests/support/sound_files.h"

#include <gtest/gtest.h>

#include <random>

namespace {

namespace fs = std::filesystem;

constexpr double BURST_S = 0.05;
constexpr int RATE = 44100;

// A short noise burst played in 3D in front of the listener, so that whatever
// sounds after the burst's end is the reverberation's tail.
class ReverbEnvironment : public ::testing::Test {
  protected:
    fs::path dir;
    EngineHandle sample = 0;

    void SetUp() override { dir = makeScratchDir("reverb"); }

    void TearDown() override {
        BASS_Free();
        fs::remove_all(dir);
    }

    void open(std::uint32_t flags) {
        engineUseTestLoopback(true);
        ASSERT_NE(BASS_Init(-1, RATE, flags, nullptr), 0);
        std::mt19937 random(7);
        std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
        std::vector<float> burst(static_cast<std::size_t>(BURST_S * RATE));
        for (float& v : burst)
            v = noise(random);
        const fs::path file = dir / "burst.wav";
        ASSERT_TRUE(writeWav16(file, burst, 1, RATE));
        const std::uint32_t sampleFlags = (flags & DEVICE_3D) != 0 ? SAMPLE_3D : 0;
        sample = BASS_SampleLoad(false, file.c_str(), 0, 0, 10, sampleFlags);
        ASSERT_NE(sample, 0u);
    }

    StereoBuffer render(double seconds) { return renderOutput(seconds); }

    // Plays the burst and returns the level of what follows it between
    // from and to seconds after its start, relative to the burst's own.
    double tailAfterBurst(bool threeD, double from, double to) {
        const BASS_3DVECTOR front{0.0f, 0.0f, 1.0f};
        const EngineHandle channel =
            threeD ? BASS_SamplePlay3DEx(sample, &front, nullptr, nullptr, 0, -1, 100, false)
                   : BASS_SamplePlayEx(sample, 0, -1, 100, 0, false);
        EXPECT_NE(channel, 0u);
        const StereoBuffer heard = render(to);
        const auto burst = heard.channel(0, 0, static_cast<std::size_t>(BURST_S * heard.rate));
        const auto tail = heard.channel(0, static_cast<std::size_t>(from * heard.rate));
        const double burstLevel = rms(burst);
        EXPECT_GT(burstLevel, 0.01) << "the burst itself must be heard";
        return burstLevel > 0.0 ? rms(tail) / burstLevel : 0.0;
    }
};

constexpr double SILENT_TAIL = 1e-3;

// Voices send to the reverb only while it can be heard; one that was already
// sounding when the environment came must still reverberate.
TEST_F(ReverbEnvironment, AVoiceStartedBeforeTheEnvironmentReverberatesToo) {
    open(DEVICE_3D);
    const BASS_3DVECTOR front{0.0f, 0.0f, 1.0f};
    const EngineHandle channel =
        BASS_SamplePlay3DEx(sample, &front, nullptr, nullptr, 0, -1, 100, false);
    ASSERT_NE(channel, 0u);
    ASSERT_EQ(BASS_SetEAXParameters(0, 1.0f, -1.0f, -1.0f), 1);
    const StereoBuffer heard = render(0.5);
    const double burst = rms(heard.channel(0, 0, static_cast<std::size_t>(BURST_S * heard.rate)));
    const double tail = rms(heard.channel(0, static_cast<std::size_t>(0.15 * heard.rate)));
    EXPECT_GT(tail / burst, 0.02);
    ASSERT_EQ(BASS_SetEAXParameters(-1, 0.0f, -1.0f, -1.0f), 1);
    EXPECT_LT(tailAfterBurst(true, 0.15, 0.5), SILENT_TAIL) << "volume 0 is dry again";
}

TEST_F(ReverbEnvironment, AnEnvironmentAddsATailThatTheDrySoundLacks) {
    open(DEVICE_3D);
    EXPECT_LT(tailAfterBurst(true, 0.15, 0.5), SILENT_TAIL) << "3D before any environment";
    render(1.0);
    ASSERT_EQ(BASS_SetEAXParameters(0, 1.0f, -1.0f, -1.0f), 1);
    const double generic = tailAfterBurst(true, 0.15, 0.5);
    EXPECT_GT(generic, 0.02) << "generic environment, full volume";
    render(3.0);
    EXPECT_LT(tailAfterBurst(false, 0.15, 0.5), SILENT_TAIL) << "a plain play stays dry";
    render(3.0);
    ASSERT_EQ(BASS_SetEAXParameters(-1, 0.0f, -1.0f, -1.0f), 1);
    EXPECT_LT(tailAfterBurst(true, 0.15, 0.5), SILENT_TAIL) << "volume 0 turns the tail off";
}

TEST_F(ReverbEnvironment, ALongerDecayMakesALongerTail) {
    open(DEVICE_3D);
    ASSERT_EQ(BASS_SetEAXParameters(0, 1.0f, 0.3f, 1.0f), 1);
    const double shortTail = tailAfterBurst(true, 0.8, 1.2);
    render(3.0);
    // -1 keeps the environment and the other values; only the decay changes.
    ASSERT_EQ(BASS_SetEAXParameters(-1, -1.0f, 4.0f, -1.0f), 1);
    const double longTail = tailAfterBurst(true, 0.8, 1.2);
    EXPECT_GT(longTail, 0.005);
    EXPECT_GT(longTail, 10.0 * shortTail);
}

TEST_F(ReverbEnvironment, RefusedWithout3DOrForAnUnknownEnvironment) {
    open(0);
    EXPECT_EQ(BASS_SetEAXParameters(0, 0.5f, 1.0f, 0.5f), 0);
    BASS_Free();
    open(DEVICE_3D);
    EXPECT_EQ(BASS_SetEAXParameters(26, 1.0f, 1.0f, 1.0f), 0);
    EXPECT_EQ(BASS_SetEAXParameters(-2, 1.0f, 1.0f, 1.0f), 0);
    EXPECT_LT(tailAfterBurst(true, 0.15, 0.5), SILENT_TAIL) << "a refused call changes nothing";
    // Out-of-range values are clamped, a NaN leaves the value alone.
    EXPECT_EQ(BASS_SetEAXParameters(25, 7.0f, 1000.0f, 0.0f), 1);
    EXPECT_EQ(BASS_SetEAXParameters(-1, std::numeric_limits<float>::quiet_NaN(), -1.0f, 9.0f), 1);
    EXPECT_GT(tailAfterBurst(true, 0.15, 0.5), 0.02);
}

} // namespace
