#include "link/reply_block.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/server_fixture.h"
#include "tracks/memory_copy.h"
#include "tracks/track_table.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t LOAD = 7;
constexpr std::uint16_t PLAY = 8;
constexpr std::uint16_t ATTRIBUTES = 9;
constexpr std::uint16_t PAUSE = 12;
constexpr std::uint16_t RESUME = 13;
constexpr std::uint16_t STOP = 14;
constexpr std::uint16_t FREE = 16;
constexpr std::uint16_t LENGTH = 21;
constexpr std::uint16_t SET_POSITION = 22;
constexpr std::uint16_t POSITION = 23;

const std::vector<std::uint8_t> FILE_BYTES{'R', 'I', 'F', 'F', 1, 2, 3, 0, 4, 5, 6, 7, 8};

CommandBytes load(std::uint32_t slot, const char* name, std::uint32_t flags, std::uint32_t kind) {
    return CommandBytes(LOAD).put16(2, slot).putText(name).put32(68, flags).put16(72, kind);
}

CommandBytes onSlot(std::uint16_t code, std::uint32_t slot) {
    return CommandBytes(code).put16(2, slot);
}

std::uint32_t replyValue() {
    std::uint32_t value = 0;
    for (int k = 3; k >= 0; --k)
        value = value << 8 | replyBlock.bytes[64 + static_cast<std::size_t>(k)];
    return value;
}

std::uint32_t query(std::uint16_t code, std::uint32_t slot) {
    std::memset(replyBlock.bytes.data() + 64, 0xAA, 4);
    runCommand(onSlot(code, slot));
    return replyValue();
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    return all;
}

// Server logic in a scratch directory, so that memory-copy loads find their
// file and replies land there.
class TrackSlots : public InScratchDir {
  protected:
    void SetUp() override {
        InScratchDir::SetUp();
        resetServerState();
        writeFile(work / "tone.wav", FILE_BYTES);
    }
    void TearDown() override {
        trackTableReset();
        EXPECT_EQ(memoryCopiesAlive(), 0u);
        InScratchDir::TearDown();
    }

    // Loads a stream or music with the engine answering handle and length.
    void loadAnswering(std::uint32_t slot, std::uint32_t kind, std::uint32_t flags,
                       std::uint32_t handle, std::uint32_t length) {
        const std::string create = kind == 1 ? "BASS_StreamCreateFile" : "BASS_MusicLoad";
        const std::string measure = kind == 1 ? "BASS_StreamGetLength" : "BASS_MusicGetLength";
        recorder().results[create].push_back(handle);
        recorder().results[measure].push_back(length);
        runCommand(load(slot, "tone.wav", flags, kind));
        recorder().calls.clear();
    }
};

TEST_F(TrackSlots, StreamLoadFlagsReachTheEngineAsTheRulesSay) {
    const std::string size = std::to_string(FILE_BYTES.size());
    struct Row {
        std::uint32_t flags;
        std::string create;
        std::uint32_t playFlags;
    };
    const Row rows[] = {
        // Memory copy: 0x1000 removed, 0x20000 added, the loop bit kept.
        {0x1004, "BASS_StreamCreateFile(1,<memory>,0," + size + ",131076)", 4},
        // 0x2000 keeps only 0x10000: a file stream; the loop survives in the slot.
        {0x3004, "BASS_StreamCreateFile(0,tone.wav,0,0,131072)", 4},
        {0x12000, "BASS_StreamCreateFile(0,tone.wav,0,0,196608)", 0},
        {0x13004, "BASS_StreamCreateFile(0,tone.wav,0,0,196608)", 4},
        {0, "BASS_StreamCreateFile(0,tone.wav,0,0,131072)", 0},
        // Every other bit of the 24 passes on.
        {0xFE0003, "BASS_StreamCreateFile(0,tone.wav,0,0,16646147)", 0},
        {0x10004, "BASS_StreamCreateFile(0,tone.wav,0,0,196612)", 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("flags=" + std::to_string(row.flags));
        resetServerState();
        recorder().results["BASS_StreamCreateFile"] = {41};
        recorder().results["BASS_StreamGetLength"] = {1000};
        runCommand(load(3, "tone.wav", row.flags, 1));
        runCommand(onSlot(PLAY, 3));
        EXPECT_EQ(joined(recorder().calls),
                  joined({row.create, "BASS_StreamGetLength(41)",
                          "BASS_StreamPlay(41,0," + std::to_string(row.playFlags) + ")"}));
        EXPECT_EQ(query(LENGTH, 3), 1000u);
    }
}

TEST_F(TrackSlots, MemoryCopyHoldsTheWholeFileUntilFree) {
    recorder().results["BASS_StreamCreateFile"] = {41};
    runCommand(load(3, "tone.wav", 0x1004, 1));
    const TrackSlot* slot = trackSlotAt(3);
    ASSERT_NE(slot, nullptr);
    ASSERT_TRUE(slot->memoryCopy.bytes);
    ASSERT_EQ(slot->memoryCopy.size, FILE_BYTES.size());
    EXPECT_EQ(std::memcmp(slot->memoryCopy.bytes.get(), FILE_BYTES.data(), FILE_BYTES.size()), 0);
    EXPECT_EQ(memoryCopiesAlive(), 1u);

    recorder().calls.clear();
    runCommand(onSlot(FREE, 3));
    EXPECT_EQ(
        joined(recorder().calls),
        joined({"BASS_ChannelStop(41)", "BASS_ChannelSetPosition(41,0)", "BASS_StreamFree(41)"}));
    EXPECT_EQ(memoryCopiesAlive(), 0u);
    EXPECT_FALSE(slot->memoryCopy.bytes);

    recorder().calls.clear();
    runCommand(onSlot(FREE, 3));
    EXPECT_TRUE(recorder().calls.empty()) << joined(recorder().calls);
    EXPECT_EQ(memoryCopiesAlive(), 0u);
}

TEST_F(TrackSlots, MemoryStreamThenFileStreamInOneSlotReleasesNothingTwice) {
    loadAnswering(3, 1, 0x1000, 41, 10);
    EXPECT_EQ(memoryCopiesAlive(), 1u);
    runCommand(onSlot(FREE, 3));
    EXPECT_EQ(memoryCopiesAlive(), 0u);
    loadAnswering(3, 1, 0, 42, 20);
    EXPECT_FALSE(trackSlotAt(3)->memoryCopy.bytes);
    runCommand(onSlot(FREE, 3));
    EXPECT_EQ(
        joined(recorder().calls),
        joined({"BASS_ChannelStop(42)", "BASS_ChannelSetPosition(42,0)", "BASS_StreamFree(42)"}));
    EXPECT_EQ(memoryCopiesAlive(), 0u);
}

TEST_F(TrackSlots, MemoryCopyOfAStreamLoadedOverStaysWhileThatStreamPlaysOn) {
    loadAnswering(3, 1, 0x1000, 41, 10);
    runCommand(onSlot(PLAY, 3));
    loadAnswering(3, 1, 0x1000, 42, 20);
    // The first stream still reads its copy; the slot holds the second.
    EXPECT_EQ(memoryCopiesAlive(), 2u);
    runCommand(onSlot(FREE, 3));
    EXPECT_EQ(memoryCopiesAlive(), 1u);
    EXPECT_EQ(callsNamed("BASS_StreamFree"), std::vector<std::string>{"BASS_StreamFree(42)"});
}

TEST_F(TrackSlots, MemoryLoadThatFailsKeepsNoCopyAndMakesNoStream) {
    struct Row {
        const char* name;
        std::vector<std::uint32_t> engineAnswers; // BASS_StreamCreateFile
        std::vector<std::string> calls;
    };
    writeFile(work / "empty.wav", {});
    const std::string size = std::to_string(FILE_BYTES.size());
    const Row rows[] = {
        {"missing.wav", {}, {"BASS_StreamGetLength(0)"}},
        {"empty.wav", {}, {"BASS_StreamGetLength(0)"}},
        // The engine refuses the copy: nothing reads it, so it goes at once.
        {"tone.wav",
         {0},
         {"BASS_StreamCreateFile(1,<memory>,0," + size + ",131072)", "BASS_StreamGetLength(0)"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        resetServerState();
        recorder().results["BASS_StreamCreateFile"] = {row.engineAnswers.begin(),
                                                       row.engineAnswers.end()};
        recorder().results["BASS_StreamGetLength"] = {0xFFFFFFFF};
        runCommand(load(3, row.name, 0x1000, 1));
        EXPECT_EQ(joined(recorder().calls), joined(row.calls));
        EXPECT_EQ(memoryCopiesAlive(), 0u);
        EXPECT_EQ(trackSlotAt(3)->streamHandle, 0u);
        EXPECT_EQ(trackSlotAt(3)->kind, 1u);
        EXPECT_EQ(query(LENGTH, 3), 0xFFFFFFFFu);
    }
}

// Handle 0 is the CD channel's: a slot whose load the engine refused must not
// pause, stop, move or free the CD.
TEST_F(TrackSlots, RefusedLoadReachesNothingThroughHandleZero) {
    for (const std::uint32_t kind : {1u, 2u}) {
        SCOPED_TRACE("kind=" + std::to_string(kind));
        resetServerState();
        loadAnswering(3, kind, 0, 0, 0xFFFFFFFF);
        for (const std::uint16_t code : {PLAY, ATTRIBUTES, PAUSE, RESUME, STOP, SET_POSITION})
            runCommand(onSlot(code, 3));
        EXPECT_EQ(query(POSITION, 3), 0u);
        EXPECT_EQ(query(LENGTH, 3), 0xFFFFFFFFu);
        runCommand(onSlot(FREE, 3));
        EXPECT_TRUE(recorder().calls.empty()) << joined(recorder().calls);
        EXPECT_EQ(trackSlotAt(3)->kind, 0u);
    }
}

TEST_F(TrackSlots, MusicLoadPassesItsFlagsUnchangedAndMakesNoCopy) {
    recorder().results["BASS_MusicLoad"] = {51};
    recorder().results["BASS_MusicGetLength"] = {12};
    runCommand(load(3, "song.mod", 0x1004, 2));
    runCommand(onSlot(PLAY, 3));
    EXPECT_EQ(joined(recorder().calls),
              joined({"BASS_MusicLoad(0,song.mod,0,0,4100)", "BASS_MusicGetLength(51,0)",
                      "BASS_MusicPlayEx(51,0,-1,1)"}));
    EXPECT_EQ(memoryCopiesAlive(), 0u);
    EXPECT_EQ(query(LENGTH, 3), 12u);
}

TEST_F(TrackSlots, OtherKindsLoadNothingAndLeaveTheEarlierSoundPlaying) {
    for (const std::uint32_t kind : {0u, 3u, 0xFFFFu}) {
        SCOPED_TRACE("kind=" + std::to_string(kind));
        resetServerState();
        loadAnswering(3, 1, 0x1000, 41, 777);
        runCommand(onSlot(PLAY, 3));
        recorder().calls.clear();
        runCommand(load(3, "tone.wav", 0x1004, kind));
        EXPECT_EQ(trackSlotAt(3)->kind, kind);
        EXPECT_EQ(query(POSITION, 3), 0u);
        EXPECT_EQ(query(LENGTH, 3), 777u);
        for (const std::uint16_t code : {PLAY, ATTRIBUTES, PAUSE, RESUME, STOP, SET_POSITION})
            runCommand(onSlot(code, 3));
        runCommand(onSlot(FREE, 3));
        EXPECT_TRUE(recorder().calls.empty()) << joined(recorder().calls);
        EXPECT_EQ(trackSlotAt(3)->kind, 0u);
        // Stream 41 still plays from its copy.
        EXPECT_EQ(memoryCopiesAlive(), 1u);
    }
}

TEST_F(TrackSlots, LoadOverALoadedSlotReachesOnlyTheNewSound) {
    loadAnswering(3, 1, 0, 41, 10);
    runCommand(onSlot(PLAY, 3));
    loadAnswering(3, 2, 0, 51, 5);
    EXPECT_EQ(trackSlotAt(3)->streamHandle, 41u); // kept, not reached
    for (const std::uint16_t code : {PAUSE, RESUME, STOP})
        runCommand(onSlot(code, 3));
    EXPECT_EQ(joined(recorder().calls),
              joined({"BASS_ChannelPause(51)", "BASS_ChannelResume(51)", "BASS_ChannelStop(51)",
                      "BASS_ChannelSetPosition(51,0)"}));
    loadAnswering(3, 1, 0, 42, 10);
    runCommand(onSlot(FREE, 3));
    EXPECT_EQ(
        joined(recorder().calls),
        joined({"BASS_ChannelStop(42)", "BASS_ChannelSetPosition(42,0)", "BASS_StreamFree(42)"}));
}

TEST_F(TrackSlots, SetAttributesOnStreamAndMusicSlots) {
    struct Row {
        std::uint32_t kind;
        std::uint32_t panSeparation;
        std::uint32_t volume;
        std::vector<std::string> calls;
    };
    const Row rows[] = {
        {1, 0xFFFF, 0xFFFF, {"BASS_ChannelSetAttributes(41,-1,65535,-1)"}},
        {1, 30, 80, {"BASS_ChannelSetAttributes(41,-1,80,-1)"}},
        {2, 0xFFFF, 0xFFFF, {}},
        {2, 0xFFFF, 50, {"BASS_ChannelSetAttributes(41,-1,50,-1)"}},
        {2, 30, 0xFFFF, {"BASS_MusicSetPanSep(41,30)"}},
        {2, 30, 50, {"BASS_ChannelSetAttributes(41,-1,50,-1)", "BASS_MusicSetPanSep(41,30)"}},
        {0, 30, 50, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("kind=" + std::to_string(row.kind) + " pansep=" +
                     std::to_string(row.panSeparation) + " volume=" + std::to_string(row.volume));
        resetServerState();
        if (row.kind != 0)
            loadAnswering(4, row.kind, 0, 41, 1);
        runCommand(
            CommandBytes(ATTRIBUTES).put16(2, 4).put16(4, row.panSeparation).put16(6, row.volume));
        EXPECT_EQ(joined(recorder().calls), joined(row.calls));
    }
}

TEST_F(TrackSlots, TransportAndPositionReachTheHandleOfTheSlotsKind) {
    for (const std::uint32_t kind : {1u, 2u}) {
        SCOPED_TRACE("kind=" + std::to_string(kind));
        resetServerState();
        loadAnswering(4, kind, 0, 41, 1);
        recorder().results["BASS_ChannelGetPosition"] = {0x12345678};
        runCommand(onSlot(PAUSE, 4));
        runCommand(onSlot(RESUME, 4));
        runCommand(onSlot(STOP, 4));
        runCommand(CommandBytes(SET_POSITION).put16(2, 4).put32(4, 0xFFFFFFFF));
        runCommand(CommandBytes(SET_POSITION).put16(2, 4).put32(4, 0x01000005));
        EXPECT_EQ(query(POSITION, 4), 0x12345678u);
        EXPECT_EQ(joined(recorder().calls),
                  joined({"BASS_ChannelPause(41)", "BASS_ChannelResume(41)", "BASS_ChannelStop(41)",
                          "BASS_ChannelSetPosition(41,0)", "BASS_ChannelSetPosition(41,16777215)",
                          "BASS_ChannelSetPosition(41,5)", "BASS_ChannelGetPosition(41)"}));
    }
}

TEST_F(TrackSlots, LengthSurvivesFreeAndEmptySlotsAnswerWithoutTheEngine) {
    EXPECT_EQ(query(LENGTH, 9), 0u);
    EXPECT_EQ(query(POSITION, 9), 0u);
    loadAnswering(9, 2, 0, 51, 33);
    runCommand(onSlot(FREE, 9));
    recorder().calls.clear();
    EXPECT_EQ(query(LENGTH, 9), 33u);
    EXPECT_EQ(query(POSITION, 9), 0u);
    runCommand(onSlot(FREE, 9));
    EXPECT_TRUE(recorder().calls.empty()) << joined(recorder().calls);
}

// The kind graph of track_slot.h, every state by every command that moves it.
TEST_F(TrackSlots, KindTransitions) {
    struct Start {
        const char* name;
        std::uint32_t kind; // the load that makes the state; 0: none
    };
    const Start starts[] = {{"empty", 0}, {"stream", 1}, {"music", 2}, {"other", 7}};
    const std::uint32_t loads[] = {0, 1, 2, 3};
    for (const Start& start : starts) {
        for (const std::uint32_t kind : loads) {
            SCOPED_TRACE(std::string("from=") + start.name + " load=" + std::to_string(kind));
            resetServerState();
            if (start.kind != 0)
                runCommand(load(5, "tone.wav", 0, start.kind));
            runCommand(load(5, "tone.wav", 0, kind));
            EXPECT_EQ(trackSlotAt(5)->kind, kind);
        }
        SCOPED_TRACE(std::string("from=") + start.name + " free");
        resetServerState();
        if (start.kind != 0)
            runCommand(load(5, "tone.wav", 0, start.kind));
        for (const std::uint16_t code : {PLAY, ATTRIBUTES, PAUSE, RESUME, STOP, SET_POSITION})
            runCommand(onSlot(code, 5));
        EXPECT_EQ(trackSlotAt(5)->kind, start.kind);
        runCommand(onSlot(FREE, 5));
        EXPECT_EQ(trackSlotAt(5)->kind, 0u);
    }
}

TEST_F(TrackSlots, NumbersOutsideTheTableReachNoSlot) {
    loadAnswering(512, 1, 0, 41, 10);
    loadAnswering(1, 1, 0, 42, 10);
    for (const std::uint32_t slot : {0u, 513u, 514u, 65535u}) {
        SCOPED_TRACE("slot=" + std::to_string(slot));
        recorder().calls.clear();
        runCommand(load(slot, "tone.wav", 0x1004, 1));
        runCommand(onSlot(PLAY, slot));
        runCommand(onSlot(FREE, slot));
        EXPECT_EQ(query(LENGTH, slot), 0xAAAAAAAAu) << "the reply is left as it is";
        if (slot != 513) {
            // 513 is the CD's number in these codes, handled elsewhere.
            for (const std::uint16_t code : {ATTRIBUTES, PAUSE, RESUME, STOP, SET_POSITION})
                runCommand(onSlot(code, slot));
            EXPECT_EQ(query(POSITION, slot), 0xAAAAAAAAu);
        }
        EXPECT_TRUE(recorder().calls.empty()) << joined(recorder().calls);
        EXPECT_EQ(memoryCopiesAlive(), 0u);
    }
    EXPECT_EQ(trackSlotAt(0), nullptr);
    EXPECT_EQ(trackSlotAt(513), nullptr);
    EXPECT_NE(trackSlotAt(512), nullptr);
}

TEST_F(TrackSlots, ReleaseFreesAHeldSlotAndCostsNothingForAnEmptyOne) {
    loadAnswering(7, 1, 0x1000, 41, 10);
    trackSlotRelease(6);
    EXPECT_TRUE(recorder().calls.empty());
    trackSlotRelease(7);
    EXPECT_EQ(
        joined(recorder().calls),
        joined({"BASS_ChannelStop(41)", "BASS_ChannelSetPosition(41,0)", "BASS_StreamFree(41)"}));
    EXPECT_EQ(memoryCopiesAlive(), 0u);
    trackSlotRelease(0);
    trackSlotRelease(513);
}

} // namespace
