#include "samples/flat_playback.h"
#include "samples/sample_table.h"
#include "server/trig_tables.h"
#include "tests/support/server_fixture.h"

#include <bit>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t PLAY_FLAT_BATCH = 19;
constexpr std::uint16_t PLAY_FLAT = 29;
constexpr std::uint16_t SET_LISTENER = 30;
constexpr std::uint16_t SET_SCALE = 31;
constexpr EngineHandle SAMPLE = 5;

void loadSlot(std::uint32_t slot) {
    recorder().results["BASS_SampleLoad"].push_back(SAMPLE);
    BASS_SAMPLE defaults{};
    defaults.freq = 11025;
    defaults.volume = 64;
    recorder().sampleInfo[SAMPLE] = defaults;
    runCommand(CommandBytes(3).put16(2, slot).putText("boom.wav"));
    resetRecorder();
}

CommandBytes flatPlay(std::uint32_t slot, std::uint32_t frequency, std::uint32_t volume,
                      std::int32_t x, std::int32_t y, std::int32_t third = 0) {
    return CommandBytes(PLAY_FLAT)
        .put16(2, slot)
        .put32(4, frequency)
        .put16(8, volume)
        .put16(10, static_cast<std::uint32_t>(x))
        .put16(12, static_cast<std::uint32_t>(y))
        .put16(14, static_cast<std::uint32_t>(third));
}

CommandBytes listenerAt(std::uint32_t x, std::uint32_t y, std::uint32_t facing) {
    return CommandBytes(SET_LISTENER).put16(2, x).put16(4, y).put16(6, facing);
}

CommandBytes scaleOf(float scale) {
    return CommandBytes(SET_SCALE).putFloat(2, scale);
}

std::string playLine(std::int32_t frequency, std::int32_t volume, std::int32_t pan) {
    return "BASS_SamplePlayEx(5,0," + std::to_string(frequency) + "," + std::to_string(volume) +
           "," + std::to_string(pan) + ",0)";
}

using FlatPlayback = ServerLogic;

TEST_F(FlatPlayback, WorkedExamplesGiveExactVolumeAndPan) {
    struct Row {
        std::int16_t x, y, facing;
        std::int16_t listenerX, listenerY;
        float scale;
        std::int32_t volume, pan;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Row rows[] = {
        {0, 0, 270, 0, 0, 1.0f, 100, 0},
        {1, 0, 270, 0, 0, 1.0f, 100, 0},
        {2, 0, 270, 0, 0, 1.0f, 25, 75},
        {3, 4, 270, 0, 0, 1.0f, 4, 88},
        {-3, 4, 270, 0, 0, 1.0f, 4, -88},
        {0, 5, 270, 0, 0, 1.0f, 4, 0},
        {2, 2, 270, 0, 0, 1.0f, 12, 75},
        {-2, 2, 270, 0, 0, 1.0f, 12, -75},
        {1, 2, 270, 0, 0, 1.0f, 20, 0},
        {10, 0, 270, 0, 0, 1.0f, 1, 99},
        // The same offsets from a listener elsewhere.
        {13, 14, 270, 10, 10, 1.0f, 4, 88},
        // Differences beyond 16 bits do not wrap.
        {32767, 0, 270, -32768, 0, 1.0f, 0, 99},
        // Distance scales.
        {1, 0, 270, 0, 0, 2.0f, 100, 0},
        {3, 4, 270, 0, 0, -1.0f, 4, -88},
        {6, 8, 270, 0, 0, 2.0f, 4, 88},
        {0, 0, 270, 0, 0, 0.0f, 100, 0},
        {3, 4, 270, 0, 0, 0.0f, 0, 0},
        {0, 0, 270, 0, 0, nan, 100, 0},
        {3, 4, 270, 0, 0, nan, 100, 0},
        // cosTable[270] is about 1.31e-7, not 0, so d² lies just above 100.
        {0, 10, 0, 0, 0, 1.0f, 0, 99},
        {10, 0, 90, 0, 0, 1.0f, 0, -99},
    };
    for (const Row& row : rows) {
        resetServerState();
        loadSlot(1);
        runCommand(listenerAt(static_cast<std::uint16_t>(row.listenerX),
                              static_cast<std::uint16_t>(row.listenerY),
                              static_cast<std::uint16_t>(row.facing)));
        runCommand(scaleOf(row.scale));
        runCommand(flatPlay(1, 0xFFFFFF, 100, row.x, row.y));
        EXPECT_EQ(recorder().calls, std::vector<std::string>{playLine(-1, row.volume, row.pan)})
            << "source (" << row.x << "," << row.y << ") listener (" << row.listenerX << ","
            << row.listenerY << ") facing " << row.facing << " scale " << row.scale;
    }
}

TEST_F(FlatPlayback, FacingSelectsTheTableIndex) {
    struct Row {
        std::int32_t facing;
        int index;
    };
    const Row rows[] = {{270, 0},  {271, 359}, {0, 270},     {90, 180},    {-90, 360},
                        {630, 0},  {629, 1},   {-89, 359},   {631, 359},   {-91, 1},
                        {-450, 0}, {990, 0},   {32767, 263}, {-32768, 278}};
    for (const Row& row : rows)
        EXPECT_EQ(flatTableIndex(row.facing), row.index) << "facing " << row.facing;
}

// The index picks the table entries the arithmetic uses: a facing turned by
// whole turns plays exactly as the facing itself.
TEST_F(FlatPlayback, FacingsOutsideTheRangePlayAsTheirRemainder) {
    const FlatPoint source{7, -3, 0};
    for (std::int16_t facing : {std::int16_t{30}, std::int16_t{200}, std::int16_t{271}}) {
        const auto turned = static_cast<std::int16_t>(facing + 720);
        const FlatVolumePan once = flatVolumePan(100, source, {0, 0, facing});
        const FlatVolumePan twice = flatVolumePan(100, source, {0, 0, turned});
        EXPECT_EQ(once.volume, twice.volume) << "facing " << facing;
        EXPECT_EQ(once.pan, twice.pan) << "facing " << facing;
    }
}

TEST_F(FlatPlayback, FrequencyAndBaseVolumeSentinels) {
    loadSlot(2);
    runCommand(listenerAt(0, 0, 270));
    runCommand(flatPlay(2, 0xFFFFFE, 0, 0, 0));
    runCommand(flatPlay(2, 0xAA00AC44, 100, 0, 0));
    recorder().sampleInfo[SAMPLE].volume = 48;
    runCommand(flatPlay(2, 0xFFFFFF, 0xFFFF, 2, 0));
    EXPECT_EQ(recorder().calls,
              (std::vector<std::string>{playLine(11025, 0, 0), playLine(44100, 100, 0),
                                        "BASS_SampleGetInfo(5)", playLine(-1, 12, 75)}));
}

// The record is not cleared first: a field the engine leaves unfilled keeps
// what the slot last stored there.
TEST_F(FlatPlayback, DefaultVolumeFallsBackToTheStoredRecord) {
    loadSlot(2);
    recorder().sampleInfo.clear();
    runCommand(flatPlay(2, 0xFFFFFF, 0xFFFF, 0, 0));
    EXPECT_EQ(callsNamed("BASS_SamplePlayEx"), std::vector<std::string>{playLine(-1, 64, 0)});
}

TEST_F(FlatPlayback, ThirdValueOfTheSourceChangesNothing) {
    loadSlot(1);
    runCommand(flatPlay(1, 0xFFFFFF, 100, 3, 4, 0));
    runCommand(flatPlay(1, 0xFFFFFF, 100, 3, 4, -12345));
    const auto plays = callsNamed("BASS_SamplePlayEx");
    ASSERT_EQ(plays.size(), 2u);
    EXPECT_EQ(plays[0], plays[1]);
}

TEST_F(FlatPlayback, ListenerFieldsOf0xFFFFAreLeftAsTheyAre) {
    runCommand(listenerAt(11, 22, 33));
    runCommand(listenerAt(0xFFFF, 5, 0xFFFF));
    EXPECT_EQ(flatListener.x, 11);
    EXPECT_EQ(flatListener.y, 5);
    EXPECT_EQ(flatListener.facing, 33);
    runCommand(listenerAt(0xFFFE, 0x8000, 0));
    EXPECT_EQ(flatListener.x, -2);
    EXPECT_EQ(flatListener.y, -32768);
    EXPECT_EQ(flatListener.facing, 0);
    EXPECT_TRUE(recorder().calls.empty());
}

TEST_F(FlatPlayback, DistanceScaleTakesAnyBitPattern) {
    for (std::uint32_t bits : {0x3F800000u, 0x00000000u, 0xBF800000u, 0x7FC00001u, 0xFF800000u}) {
        runCommand(CommandBytes(SET_SCALE).put32(2, bits));
        EXPECT_EQ(std::bit_cast<std::uint32_t>(distanceScale), bits);
    }
}

CommandBytes flatBatch(std::uint32_t count, int entries, std::uint32_t slot) {
    CommandBytes batch(PLAY_FLAT_BATCH);
    batch.put16(2, 0xFFFF).put16(4, 10).put16(6, 0xFFFF).put16(8, count).put16(10, 0xDDDD);
    for (int k = 0; k < entries; ++k) {
        const std::size_t entry = 12 + 16 * static_cast<std::size_t>(k);
        batch.put16(entry, slot)
            .put32(entry + 2, 0xFFFFFF)
            .put16(entry + 6, 100)
            .put16(entry + 8, 2)
            .put16(entry + 10, 10)
            .put16(entry + 12, 0)
            .put16(entry + 14, 0xCCCC);
    }
    return batch;
}

TEST_F(FlatPlayback, BatchMovesTheListenerBeforeItsPlays) {
    loadSlot(3);
    runCommand(listenerAt(0, 0, 270));
    runCommand(flatBatch(2, 2, 3));
    EXPECT_EQ(flatListener.y, 10);
    EXPECT_EQ(flatListener.facing, 270);
    EXPECT_EQ(recorder().calls,
              (std::vector<std::string>{playLine(-1, 25, 75), playLine(-1, 25, 75)}));
    EXPECT_EQ(sampleSlotAt(3)->ringPosition, 2);
}

TEST_F(FlatPlayback, BatchCountsZeroAndAboveWhatFits) {
    loadSlot(3);
    runCommand(flatBatch(0, 63, 3));
    EXPECT_EQ(flatListener.y, 10) << "count 0 still moves the listener";
    EXPECT_TRUE(recorder().calls.empty());
    for (std::uint32_t count : {63u, 64u, 0xFFFFu}) {
        resetRecorder();
        runCommand(flatBatch(count, 63, 3));
        EXPECT_EQ(callsNamed("BASS_SamplePlayEx").size(), 63u) << "count " << count;
    }
}

TEST_F(FlatPlayback, SlotOutsideTheTablePlaysNothing) {
    runCommand(flatPlay(0, 0xFFFFFF, 100, 0, 0));
    runCommand(flatPlay(1025, 0xFFFFFF, 0xFFFF, 0, 0));
    runCommand(flatBatch(3, 3, 2000));
    EXPECT_TRUE(recorder().calls.empty());
}

TEST_F(FlatPlayback, EveryFlatPlayFillsARingEntry) {
    loadSlot(1);
    recorder().results["BASS_SamplePlayEx"] = {901, 902};
    runCommand(flatPlay(1, 0xFFFFFF, 0, 30000, 30000));
    runCommand(flatPlay(1, 0xFFFFFF, 100, 0, 0));
    EXPECT_EQ(sampleSlotAt(1)->channelRing[0], 901u);
    EXPECT_EQ(sampleSlotAt(1)->channelRing[1], 902u);
}

} // namespace
