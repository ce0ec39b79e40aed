// A few thousand commands of the soak session carried out by the dispatcher
// on the real engine, rendering between them; once every slot is freed the
// engine holds no channel, sample, stream or module.
#include "engine/engine.h"
#include "engine/loopback.h"
#include "link/command_block.h"
#include "samples/sample_table.h"
#include "server/dispatch.h"
#include "server/startup_state.h"
#include "server/trig_tables.h"
#include "tests/engine/soak_session.h"
#include "tracks/track_table.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr int COMMANDS = 3000;
constexpr int FRAMES_BETWEEN = 64;

TEST(SoakInProcess, EveryObjectIsGoneOnceEverySlotIsFreed) {
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path dir = makeScratchDir("soak-in-process");
    std::filesystem::current_path(dir);
    ASSERT_TRUE(soak::writeSessionFiles(dir));
    engineUseTestLoopback(true);
    ASSERT_NE(BASS_Init(-1, 44100, DEVICE_3D, nullptr), 0);
    buildTrigTables();
    no3D = false;
    sampleTableReset();
    trackTableReset();

    soak::Session session(2024);
    std::vector<float> scratch(2 * FRAMES_BETWEEN);
    int peakChannels = 0;
    int peakStreams = 0;
    for (int k = 0; k < COMMANDS; ++k) {
        commandBlock.bytes = session.next().bytes;
        ASSERT_EQ(carryOutCommand(), DISPATCH_CONTINUE) << "command " << k;
        ASSERT_TRUE(engineRender(scratch.data(), FRAMES_BETWEEN));
        const EngineCounts live = engineLiveObjects();
        peakChannels = std::max(peakChannels, live.channels);
        peakStreams = std::max(peakStreams, live.streams + live.musics);
    }
    // The session did play and did hold tracks, or the check below is empty.
    EXPECT_GT(peakChannels, 10);
    EXPECT_GT(peakStreams, 2);
    for (const CommandBytes& command : session.freeEverything()) {
        commandBlock.bytes = command.bytes;
        carryOutCommand();
    }
    ASSERT_TRUE(engineRender(scratch.data(), FRAMES_BETWEEN));
    const EngineCounts live = engineLiveObjects();
    EXPECT_EQ(live.samples, 0);
    EXPECT_EQ(live.channels, 0);
    EXPECT_EQ(live.streams, 0);
    EXPECT_EQ(live.musics, 0);

    BASS_Free();
    engineUseTestLoopback(false);
    sampleTableReset();
    trackTableReset();
    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

} // namespace
