#include "engine/engine.h"
#include "engine/loopback.h"
#include "tests/engine/music_test_module.h"
#include "tests/support/analysis.h"
#include "tests/support/engine_render.h"
#include "tests/support/sound_files.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace musictest;

constexpr int RATE = 44100;

std::uint32_t orderOf(std::uint32_t position) {
    return position & 0xFFFF;
}
std::uint32_t rowOf(std::uint32_t position) {
    return position >> 16;
}

class MusicPlayback : public EngineInScratchDir {
  protected:
    void SetUp() override {
        EngineInScratchDir::SetUp();
        ASSERT_TRUE(writeModule("song.mod"));
        openEngine(RATE);
    }
};

TEST_F(MusicPlayback, ReportsItsOrderCountAndFreesWhatItHolds) {
    const EngineHandle m = BASS_MusicLoad(false, "song.mod", 0, 0, 0);
    ASSERT_NE(m, 0u);
    EXPECT_EQ(BASS_MusicGetLength(m, false), MODULE_ORDERS);
    EXPECT_EQ(engineLiveObjects().musics, 1);
    EXPECT_EQ(BASS_MusicFree(m), 1);
    EXPECT_EQ(engineLiveObjects().musics, 0);
    EXPECT_EQ(BASS_MusicGetLength(m, false), ENGINE_ERROR);
    EXPECT_EQ(BASS_MusicFree(m), 0);
}

TEST_F(MusicPlayback, WhatIsNotAModuleMakesNoMusic) {
    std::ofstream("words.mod") << "no module here, only words\n";
    std::ofstream("empty.xm");
    const std::vector<std::uint8_t> whole = moduleBytes();
    std::ofstream("cut.mod", std::ios::binary)
        .write(reinterpret_cast<const char*>(whole.data()), 600);
    for (const char* name : {"missing.mod", "words.mod", "empty.xm", "cut.mod"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(BASS_MusicLoad(false, name, 0, 0, 0), 0u);
        EXPECT_EQ(engineLiveObjects().musics, 0);
    }
    EXPECT_EQ(BASS_MusicGetLength(0, false), ENGINE_ERROR);
}

TEST_F(MusicPlayback, PlaysThroughOrdersAndRows) {
    const EngineHandle m = BASS_MusicLoad(false, "song.mod", 0, 0, 0);
    ASSERT_EQ(BASS_MusicPlayEx(m, 0, -1, true), 1);
    const StereoBuffer first = render(0.5);
    // Channel 1 is the left one: the tone is heard there.
    EXPECT_GT(rms(first.channel(0, 4410)), 0.05);
    const double low = zeroCrossingFrequency(first.channel(0, 4410), RATE);
    std::uint32_t position = BASS_ChannelGetPosition(m);
    EXPECT_EQ(orderOf(position), 0u);
    // 0.5 s at 20 ms a row, within the 23 ms of one buffer.
    EXPECT_NEAR(rowOf(position), 25, 3);

    const StereoBuffer second = render(1.28);
    position = BASS_ChannelGetPosition(m);
    EXPECT_EQ(orderOf(position), 1u);
    EXPECT_NEAR(rowOf(position), 25, 3);
    // Order 1 begins 0.78 s into this stretch.
    const double high = zeroCrossingFrequency(second.channel(0, RATE * 85 / 100), RATE);
    EXPECT_NEAR(high / low, 2.0, 0.05);

    // Without the loop flag the song ends after its last order and falls silent.
    render(MODULE_ORDERS * ROWS * SECONDS_PER_ROW - 1.78 + 0.3);
    EXPECT_LT(rms(render(0.2).channel(0)), 1e-4);
}

TEST_F(MusicPlayback, PlayRestartsAtTheAskedOrderAndRow) {
    const EngineHandle m = BASS_MusicLoad(false, "song.mod", 0, 0, 0);
    ASSERT_EQ(BASS_MusicPlayEx(m, 0, -1, true), 1);
    render(0.3);
    ASSERT_EQ(BASS_MusicPlayEx(m, 1 | 10u << 16, -1, true), 1);
    EXPECT_EQ(BASS_ChannelGetPosition(m), 1 | 10u << 16);
    const StereoBuffer out = render(0.2);
    const std::uint32_t position = BASS_ChannelGetPosition(m);
    EXPECT_EQ(orderOf(position), 1u);
    EXPECT_NEAR(rowOf(position), 20, 3);
    // Order 1 is pattern 1, whose tone starts on its row 0; from row 10 the
    // tone is not struck at all.
    EXPECT_LT(rms(out.channel(0, 2205)), 1e-3);

    ASSERT_EQ(BASS_ChannelSetPosition(m, 2), 1);
    EXPECT_EQ(BASS_ChannelGetPosition(m), 2u);
    render(0.1);
    EXPECT_EQ(orderOf(BASS_ChannelGetPosition(m)), 2u);
    EXPECT_EQ(BASS_ChannelSetPosition(m, MODULE_ORDERS), 0);
    EXPECT_EQ(BASS_MusicPlayEx(m, MODULE_ORDERS, -1, true), 0);
}

TEST_F(MusicPlayback, PausedMusicHoldsItsRowAndStopGoesBackToTheStart) {
    const EngineHandle m = BASS_MusicLoad(false, "song.mod", 0, 0, 0);
    ASSERT_EQ(BASS_MusicPlayEx(m, 0, -1, true), 1);
    render(0.3);
    ASSERT_EQ(BASS_ChannelPause(m), 1);
    const std::uint32_t held = BASS_ChannelGetPosition(m);
    EXPECT_LT(rms(render(0.3).channel(0)), 1e-4);
    EXPECT_EQ(BASS_ChannelGetPosition(m), held);
    ASSERT_EQ(BASS_ChannelResume(m), 1);
    EXPECT_GT(rms(render(0.1).channel(0)), 0.05);
    ASSERT_EQ(BASS_ChannelStop(m), 1);
    ASSERT_EQ(BASS_ChannelSetPosition(m, 0), 1);
    EXPECT_EQ(BASS_ChannelGetPosition(m), 0u);
    EXPECT_LT(rms(render(0.1).channel(0)), 1e-4);
}

TEST_F(MusicPlayback, LoopedMusicGoesOnPastItsLastOrder) {
    const EngineHandle m = BASS_MusicLoad(false, "song.mod", 0, 0, MUSIC_LOOP);
    ASSERT_EQ(BASS_MusicPlayEx(m, 0, -1, true), 1);
    render(3 * 1.28 + 0.5);
    EXPECT_EQ(orderOf(BASS_ChannelGetPosition(m)), 0u);
    EXPECT_GT(rms(render(0.2).channel(0)), 0.05);
}

TEST_F(MusicPlayback, PanSeparationWidensAndNarrowsDownToMono) {
    const EngineHandle m = BASS_MusicLoad(false, "song.mod", 0, 0, MUSIC_LOOP);
    ASSERT_EQ(BASS_MusicPlayEx(m, 0, -1, true), 1);
    const StereoBuffer normal = render(0.4);
    const double left = rms(normal.channel(0, 4410));
    ASSERT_GT(left, 0.05);
    // Channel 1 sits left of centre, as the module format places it.
    const double normalBalance = rms(normal.channel(1, 4410)) / left;
    EXPECT_LT(normalBalance, 0.5);

    ASSERT_EQ(BASS_MusicSetPanSep(m, 100), 1);
    render(0.5);
    const StereoBuffer wide = render(0.3);
    EXPECT_LT(rms(wide.channel(1)) / rms(wide.channel(0)), normalBalance / 2);

    ASSERT_EQ(BASS_MusicSetPanSep(m, 0), 1);
    render(0.5); // what was decoded before the change plays out
    const StereoBuffer mono = render(0.3);
    const double monoLeft = rms(mono.channel(0));
    EXPECT_GT(monoLeft, 0.02);
    EXPECT_NEAR(rms(mono.channel(1)) / monoLeft, 1.0, 0.02);

    ASSERT_EQ(BASS_ChannelSetAttributes(m, -1, 50, -1), 1);
    EXPECT_NEAR(rms(render(0.1).channel(0)) / monoLeft, 0.5, 0.05);
    ASSERT_EQ(BASS_SetGlobalVolumes(50, -1, -1), 1);
    EXPECT_NEAR(rms(render(0.1).channel(0)) / monoLeft, 0.25, 0.05);
}

} // namespace
