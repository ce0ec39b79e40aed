#include "samples/sample_table.h"
#include "tests/support/server_fixture.h"

#include <string>
#include <vector>

namespace {

constexpr std::uint16_t LOAD = 3;
constexpr std::uint16_t PLAY = 4;
constexpr std::uint16_t SET_DEFAULTS = 5;
constexpr std::uint16_t STOP = 11;
constexpr std::uint16_t FREE = 15;
constexpr std::uint16_t BATCH = 28;

CommandBytes loadCommand(std::uint32_t slot, const char* name, std::uint32_t flags) {
    return CommandBytes(LOAD).put16(2, slot).putText(name).put32(68, flags);
}

CommandBytes playCommand(std::uint32_t slot, std::uint32_t frequency, std::uint32_t volume,
                         std::uint32_t pan, std::uint32_t loop) {
    return CommandBytes(PLAY)
        .put16(2, slot)
        .put32(4, frequency)
        .put16(8, volume)
        .put16(10, pan)
        .put16(12, loop);
}

CommandBytes defaultsCommand(std::uint32_t slot, std::uint32_t frequency, std::uint32_t volume,
                             std::uint32_t pan, std::uint32_t reduction, std::uint32_t flags) {
    return CommandBytes(SET_DEFAULTS)
        .put16(2, slot)
        .put32(4, frequency)
        .put16(8, volume)
        .put16(10, pan)
        .put16(12, reduction)
        .put16(14, flags);
}

BASS_SAMPLE info(std::uint32_t freq, std::uint32_t volume, std::int32_t pan, std::uint32_t flags) {
    BASS_SAMPLE record{};
    record.freq = freq;
    record.volume = volume;
    record.pan = pan;
    record.flags = flags;
    return record;
}

// Loads slot with the engine answering handle and these defaults.
void loadSample(std::uint32_t slot, EngineHandle handle, const BASS_SAMPLE& defaults) {
    recorder().results["BASS_SampleLoad"].push_back(handle);
    recorder().sampleInfo[handle] = defaults;
    runCommand(loadCommand(slot, "boom.wav", 0));
}

// Channel handles 1001, 1002, ... for the next plays.
void scriptChannels(EngineHandle first, int count) {
    for (int k = 0; k < count; ++k)
        recorder().results["BASS_SamplePlayEx"].push_back(first + static_cast<EngineHandle>(k));
}

std::vector<EngineHandle> ring(std::uint32_t slot) {
    const SampleSlot* record = sampleSlotAt(slot);
    return {record->channelRing.begin(), record->channelRing.end()};
}

using SampleSlots = ServerLogic;

TEST_F(SampleSlots, LoadAsksForTenPlaybacksAndKeepsTheNativeFrequency) {
    recorder().results["BASS_SampleLoad"].push_back(77);
    recorder().sampleInfo[77] = info(22050, 80, -20, 0x4);
    // The fourth byte of the flags field is not part of the value.
    runCommand(loadCommand(9, "SOUNDS\\BOOM.WAV", 0xAB000005));
    EXPECT_EQ(recorder().calls,
              (std::vector<std::string>{"BASS_SampleLoad(0,SOUNDS\\BOOM.WAV,0,0,10,131077)",
                                        "BASS_SampleGetInfo(77)"}));
    const SampleSlot* slot = sampleSlotAt(9);
    EXPECT_EQ(slot->sampleHandle, 77u);
    EXPECT_EQ(slot->nativeFrequency, 22050u);
    EXPECT_EQ(slot->sampleInfo.volume, 80u);
}

TEST_F(SampleSlots, RefusedLoadLeavesHandleAndNativeFrequencyZero) {
    recorder().results["BASS_SampleLoad"].push_back(0);
    runCommand(loadCommand(3, "missing.wav", 0));
    EXPECT_EQ(sampleSlotAt(3)->sampleHandle, 0u);
    EXPECT_EQ(sampleSlotAt(3)->nativeFrequency, 0u);
    runCommand(playCommand(3, 0xFFFFFE, 50, 100, 0));
    EXPECT_EQ(callsNamed("BASS_SamplePlayEx"),
              (std::vector<std::string>{"BASS_SamplePlayEx(0,0,0,50,0,0)"}));
    EXPECT_EQ(ring(3)[0], 1u) << "a refused play takes its ring entry like any other";
}

TEST_F(SampleSlots, PlayTurnsEverySentinelIntoItsEngineValue) {
    struct Row {
        std::uint32_t frequency, volume, pan, loop;
        const char* call;
    };
    const Row rows[] = {
        {0xFFFFFF, 0xFFFF, 0xFFFF, 0, "BASS_SamplePlayEx(5,0,-1,-1,-101,0)"},
        {0xFFFFFE, 0, 100, 0xFFFF, "BASS_SamplePlayEx(5,0,11025,0,0,0)"},
        {0x12FFFFFF, 100, 0, 1, "BASS_SamplePlayEx(5,0,-1,100,-100,1)"},
        {0x00FFFFFD, 65534, 200, 2, "BASS_SamplePlayEx(5,0,16777213,65534,100,1)"},
        {44100, 50, 300, 0xFFFE, "BASS_SamplePlayEx(5,0,44100,50,200,1)"},
        {0, 1, 1, 0, "BASS_SamplePlayEx(5,0,0,1,-99,0)"},
    };
    loadSample(1, 5, info(11025, 100, 0, 0));
    for (const Row& row : rows) {
        resetRecorder();
        runCommand(playCommand(1, row.frequency, row.volume, row.pan, row.loop));
        EXPECT_EQ(recorder().calls, std::vector<std::string>{row.call})
            << "frequency " << row.frequency << " volume " << row.volume << " pan " << row.pan
            << " loop " << row.loop;
    }
}

TEST_F(SampleSlots, EleventhPlayOverwritesTheFirstRingEntry) {
    loadSample(2, 5, info(22050, 100, 0, 0));
    scriptChannels(1001, 11);
    for (int k = 0; k < 11; ++k)
        runCommand(playCommand(2, 0xFFFFFF, 0xFFFF, 0xFFFF, 0));
    EXPECT_EQ(ring(2), (std::vector<EngineHandle>{1011, 1002, 1003, 1004, 1005, 1006, 1007, 1008,
                                                  1009, 1010}));
    EXPECT_EQ(sampleSlotAt(2)->ringPosition, 1);

    resetRecorder();
    recorder().sampleInfo[5] = info(22050, 70, -10, 0);
    runCommand(defaultsCommand(2, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF));
    const auto applied = callsNamed("BASS_ChannelSetAttributes");
    ASSERT_EQ(applied.size(), 10u);
    EXPECT_EQ(applied.front(), "BASS_ChannelSetAttributes(1011,22050,70,-10)");
    EXPECT_EQ(applied.back(), "BASS_ChannelSetAttributes(1010,22050,70,-10)");
}

TEST_F(SampleSlots, LoadResetsTheRingPositionAndKeepsTheEntries) {
    loadSample(4, 5, info(22050, 100, 0, 0));
    scriptChannels(1001, 3);
    for (int k = 0; k < 3; ++k)
        runCommand(playCommand(4, 0xFFFFFF, 0xFFFF, 0xFFFF, 0));
    loadSample(4, 6, info(8000, 100, 0, 0));
    EXPECT_EQ(sampleSlotAt(4)->ringPosition, 0);
    EXPECT_EQ(ring(4)[2], 1003u);
    scriptChannels(2001, 1);
    runCommand(playCommand(4, 0xFFFFFE, 0xFFFF, 0xFFFF, 0));
    EXPECT_EQ(ring(4)[0], 2001u);
    EXPECT_EQ(ring(4)[1], 1002u);
    EXPECT_EQ(callsNamed("BASS_SamplePlayEx").back(), "BASS_SamplePlayEx(6,0,8000,-1,-101,0)");
}

// The earlier sample may still be sounding; the load leaves it alone and the
// slot's commands reach only the new one.
TEST_F(SampleSlots, LoadIntoAnOccupiedSlotLeavesTheOldSampleAlone) {
    loadSample(4, 5, info(22050, 100, 0, 0));
    resetRecorder();
    loadSample(4, 6, info(8000, 100, 0, 0));
    EXPECT_EQ(recorder().calls,
              (std::vector<std::string>{"BASS_SampleLoad(0,boom.wav,0,0,10,131072)",
                                        "BASS_SampleGetInfo(6)"}));
    resetRecorder();
    runCommand(CommandBytes(15).put16(2, 4));
    EXPECT_EQ(recorder().calls,
              (std::vector<std::string>{"BASS_SampleStop(6)", "BASS_SampleFree(6)"}));
}

TEST_F(SampleSlots, SetDefaultsFieldRules) {
    struct Row {
        std::uint32_t frequency, volume, pan, reduction, flags;
        const char* stored;
    };
    // Engine defaults before each row: 22050 Hz, volume 60, pan -30, flags
    // 0x30005; native frequency 11025.
    const Row rows[] = {
        {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, "{22050,60,-30,196613}"},
        {0xFFFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, "{16777215,60,-30,196613}"},
        {0xFFFFFE, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, "{11025,60,-30,196613}"},
        {0x44FFFFFE, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, "{11025,60,-30,196613}"},
        {8000, 0, 100, 0xFFFF, 0xFFFF, "{8000,0,100,196613}"},
        {0xFFFF, 0xFFFF, 0xFF9C, 0xFFFF, 0xFFFF, "{22050,60,65436,196613}"},
        {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0x0005, "{22050,60,-30,5}"},
        {0xFFFF, 0xFFFF, 0xFFFF, 0, 0x0005, "{22050,60,-30,4}"},
        {0xFFFF, 0xFFFF, 0xFFFF, 1234, 0xFFFF, "{22050,60,-30,4}"},
        {0xFFFF, 0xFFFF, 0xFFFF, 0, 0x0003, "{22050,60,-30,0}"},
    };
    for (const Row& row : rows) {
        resetServerState();
        loadSample(1, 5, info(11025, 100, 0, 0));
        recorder().sampleInfo[5] = info(22050, 60, -30, 0x30005);
        resetRecorder();
        recorder().sampleInfo[5] = info(22050, 60, -30, 0x30005);
        runCommand(
            defaultsCommand(1, row.frequency, row.volume, row.pan, row.reduction, row.flags));
        const auto set = callsNamed("BASS_SampleSetInfo");
        ASSERT_EQ(set.size(), 1u);
        EXPECT_EQ(set[0], std::string("BASS_SampleSetInfo(5,") + row.stored + ")")
            << "frequency " << row.frequency << " volume " << row.volume << " pan " << row.pan
            << " reduction " << row.reduction << " flags " << row.flags;
    }
}

TEST_F(SampleSlots, SetDefaultsReappliesToEveryFilledRingEntryInOrder) {
    loadSample(1, 5, info(22050, 100, 0, 0));
    // Plays 1 and 3 were refused: their entries hold 0, which is the CD
    // channel's handle and never one of this sample's channels.
    recorder().results["BASS_SamplePlayEx"] = {501, 0, 503, 0, 505};
    for (int k = 0; k < 5; ++k)
        runCommand(playCommand(1, 0xFFFFFF, 0xFFFF, 0xFFFF, 0));
    resetRecorder();
    recorder().sampleInfo[5] = info(22050, 100, 0, 0);
    runCommand(defaultsCommand(1, 30000, 40, 50, 0xFFFF, 0xFFFF));
    EXPECT_EQ(
        recorder().calls,
        (std::vector<std::string>{"BASS_SampleGetInfo(5)", "BASS_SampleSetInfo(5,{30000,40,50,0})",
                                  "BASS_ChannelSetAttributes(501,30000,40,50)",
                                  "BASS_ChannelSetAttributes(503,30000,40,50)",
                                  "BASS_ChannelSetAttributes(505,30000,40,50)"}));
}

TEST_F(SampleSlots, SetDefaultsWhenTheEngineAnswersNothingSendsZeroes) {
    loadSample(1, 5, info(22050, 100, 0, 0));
    scriptChannels(1001, 1);
    runCommand(playCommand(1, 0xFFFFFF, 0xFFFF, 0xFFFF, 0));
    resetRecorder();
    runCommand(defaultsCommand(1, 0xFFFF, 33, 0xFFFF, 0xFFFF, 0xFFFF));
    EXPECT_EQ(callsNamed("BASS_SampleSetInfo"),
              (std::vector<std::string>{"BASS_SampleSetInfo(5,{0,33,0,0})"}));
    EXPECT_EQ(callsNamed("BASS_ChannelSetAttributes"),
              (std::vector<std::string>{"BASS_ChannelSetAttributes(1001,0,33,0)"}));
}

TEST_F(SampleSlots, NativeFrequencySurvivesNewDefaults) {
    loadSample(1, 5, info(11025, 100, 0, 0));
    runCommand(defaultsCommand(1, 30000, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF));
    resetRecorder();
    runCommand(playCommand(1, 0xFFFFFE, 0xFFFF, 0xFFFF, 0));
    EXPECT_EQ(recorder().calls,
              (std::vector<std::string>{"BASS_SamplePlayEx(5,0,11025,-1,-101,0)"}));
}

TEST_F(SampleSlots, StopAndFree) {
    loadSample(8, 5, info(22050, 100, 0, 0));
    resetRecorder();
    runCommand(CommandBytes(STOP).put16(2, 8));
    runCommand(CommandBytes(FREE).put16(2, 8));
    EXPECT_EQ(recorder().calls,
              (std::vector<std::string>{"BASS_SampleStop(5)", "BASS_SampleStop(5)",
                                        "BASS_SampleFree(5)"}));
    EXPECT_EQ(sampleSlotAt(8)->sampleHandle, 0u) << "a freed slot holds no sample";
    resetRecorder();
    runCommand(CommandBytes(FREE).put16(2, 8));
    EXPECT_EQ(recorder().calls,
              (std::vector<std::string>{"BASS_SampleStop(0)", "BASS_SampleFree(0)"}));
}

TEST_F(SampleSlots, ReleaseAtShutdownFreesEachSlotOnItsOwn) {
    loadSample(1024, 9, info(22050, 100, 0, 0));
    resetRecorder();
    sampleSlotRelease(1024);
    sampleSlotRelease(1);
    EXPECT_EQ(recorder().calls,
              (std::vector<std::string>{"BASS_SampleStop(9)", "BASS_SampleFree(9)",
                                        "BASS_SampleStop(0)", "BASS_SampleFree(0)"}));
    resetRecorder();
    sampleSlotRelease(0);
    sampleSlotRelease(1025);
    EXPECT_TRUE(recorder().calls.empty());
}

TEST_F(SampleSlots, SlotNumbersOutsideTheTableDoNothing) {
    for (std::uint32_t slot : {0u, 1025u, 0xFFFFu}) {
        resetRecorder();
        runCommand(loadCommand(slot, "boom.wav", 0));
        runCommand(playCommand(slot, 0xFFFFFF, 0xFFFF, 0xFFFF, 0));
        runCommand(defaultsCommand(slot, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF));
        runCommand(CommandBytes(STOP).put16(2, slot));
        runCommand(CommandBytes(FREE).put16(2, slot));
        runCommand(CommandBytes(BATCH).put16(2, 1).put16(6, slot));
        EXPECT_TRUE(recorder().calls.empty()) << "slot " << slot;
    }
}

CommandBytes batchOnOneSlot(std::uint32_t count, std::uint32_t slot, int entries) {
    CommandBytes batch(BATCH);
    batch.put16(2, count);
    for (int k = 0; k < entries; ++k) {
        const std::size_t entry = 4 + 14 * static_cast<std::size_t>(k);
        batch.put16(entry, 0xEEEE)
            .put16(entry + 2, slot)
            .put32(entry + 4, 0xFFFFFF)
            .put16(entry + 8, static_cast<std::uint32_t>(k))
            .put16(entry + 10, 100)
            .put16(entry + 12, 0);
    }
    return batch;
}

TEST_F(SampleSlots, BatchOfTwelveOnOneSlotKeepsTheLastTen) {
    loadSample(6, 5, info(22050, 100, 0, 0));
    resetRecorder();
    scriptChannels(1001, 12);
    runCommand(batchOnOneSlot(12, 6, 12));
    const auto plays = callsNamed("BASS_SamplePlayEx");
    ASSERT_EQ(plays.size(), 12u);
    EXPECT_EQ(plays[0], "BASS_SamplePlayEx(5,0,-1,0,0,0)");
    EXPECT_EQ(plays[11], "BASS_SamplePlayEx(5,0,-1,11,0,0)");
    EXPECT_EQ(ring(6), (std::vector<EngineHandle>{1011, 1012, 1003, 1004, 1005, 1006, 1007, 1008,
                                                  1009, 1010}));
}

TEST_F(SampleSlots, BatchCountsZeroAndAboveWhatFits) {
    loadSample(6, 5, info(22050, 100, 0, 0));
    resetRecorder();
    runCommand(batchOnOneSlot(0, 6, 72));
    EXPECT_TRUE(recorder().calls.empty());
    for (std::uint32_t count : {72u, 73u, 0xFFFFu}) {
        resetRecorder();
        runCommand(batchOnOneSlot(count, 6, 72));
        const auto plays = callsNamed("BASS_SamplePlayEx");
        ASSERT_EQ(plays.size(), 72u) << "count " << count;
        EXPECT_EQ(plays.back(), "BASS_SamplePlayEx(5,0,-1,71,0,0)") << "count " << count;
    }
}

} // namespace
