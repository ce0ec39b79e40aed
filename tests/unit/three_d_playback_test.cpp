#include "samples/sample_table.h"
#include "server/startup_state.h"
#include "tests/support/server_fixture.h"

#include <limits>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t PLAY_3D_BATCH = 20;
constexpr std::uint16_t SET_LISTENER = 24;
constexpr std::uint16_t PLAY_3D = 25;
constexpr std::uint16_t SET_FACTORS = 26;
constexpr float ABSENT = 16777215.0f;
const float NAN_X = std::numeric_limits<float>::quiet_NaN();

void loadSlot(std::uint32_t slot) {
    recorder().results["BASS_SampleLoad"].push_back(5);
    BASS_SAMPLE defaults{};
    defaults.freq = 11025;
    recorder().sampleInfo[5] = defaults;
    runCommand(CommandBytes(3).put16(2, slot).putText("boom.wav"));
    resetRecorder();
}

struct Vec {
    float x, y, z;
};

// A code-25 block or a batch entry: the same layout from base.
void putPlay(CommandBytes& block, std::size_t base, std::uint32_t slot, std::uint32_t frequency,
             std::uint32_t volume, std::uint32_t loop, Vec position, Vec orientation,
             Vec velocity) {
    block.put16(base + 2, slot)
        .put32(base + 4, frequency)
        .put16(base + 8, volume)
        .put16(base + 10, loop);
    block.putVector(base + 12, position.x, position.y, position.z);
    block.putVector(base + 24, orientation.x, orientation.y, orientation.z);
    block.putVector(base + 36, velocity.x, velocity.y, velocity.z);
}

CommandBytes play3D(std::uint32_t slot, std::uint32_t frequency, std::uint32_t volume,
                    std::uint32_t loop, Vec position, Vec orientation, Vec velocity) {
    CommandBytes block(PLAY_3D);
    putPlay(block, 0, slot, frequency, volume, loop, position, orientation, velocity);
    return block;
}

CommandBytes listener(std::uint16_t code, Vec position, Vec velocity, Vec front, Vec top) {
    CommandBytes block(code);
    block.putVector(2, position.x, position.y, position.z)
        .putVector(14, velocity.x, velocity.y, velocity.z)
        .putVector(26, front.x, front.y, front.z)
        .putVector(38, top.x, top.y, top.z);
    return block;
}

class ThreeDPlayback : public ServerLogic {
  protected:
    void SetUp() override {
        ServerLogic::SetUp();
        no3D = false;
    }
};

TEST_F(ThreeDPlayback, ListenerAbsenceIsTestedOnTheBitsOfX) {
    runCommand(listener(SET_LISTENER, {ABSENT, 1, 2}, {NAN_X, 3, 4}, {16777214.0f, 0, 1},
                        {ABSENT, NAN_X, NAN_X}));
    EXPECT_EQ(recorder().calls,
              (std::vector<std::string>{"BASS_Set3DPosition(null,(nan:7fc00000 3 4),(16777214 0 "
                                        "1),null)",
                                        "BASS_Apply3D()"}));
}

TEST_F(ThreeDPlayback, AllListenerVectorsAbsentStillApplies) {
    runCommand(
        listener(SET_LISTENER, {ABSENT, 0, 0}, {ABSENT, 0, 0}, {ABSENT, 0, 0}, {ABSENT, 0, 0}));
    EXPECT_EQ(recorder().calls, (std::vector<std::string>{"BASS_Set3DPosition(null,null,null,null)",
                                                          "BASS_Apply3D()"}));
}

TEST_F(ThreeDPlayback, PlayVectorsAreAbsentWhenXEqualsOrIsUnordered) {
    loadSlot(4);
    runCommand(play3D(4, 0xFFFFFF, 0xFFFF, 0, {ABSENT, 9, 9}, {NAN_X, 1, 1}, {16777214.0f, 0, -1}));
    runCommand(play3D(4, 0xFFFFFE, 70, 0xFFFF, {1, 2, 3}, {0, 0, 1}, {ABSENT, 0, 0}));
    runCommand(play3D(4, 0x77005622, 0, 3, {-1, 0, 0}, {ABSENT, 0, 0}, {0, 0, 0}));
    EXPECT_EQ(recorder().calls, (std::vector<std::string>{
                                    "BASS_SamplePlay3DEx(5,null,null,(16777214 0 -1),0,-1,-1,0)",
                                    "BASS_SamplePlay3DEx(5,(1 2 3),(0 0 1),null,0,11025,70,0)",
                                    "BASS_SamplePlay3DEx(5,(-1 0 0),null,(0 0 0),0,22050,0,1)"}));
    EXPECT_EQ(sampleSlotAt(4)->ringPosition, 3);
}

TEST_F(ThreeDPlayback, WithoutThreeDAPlayIsPlainAtTheDefaultPan) {
    no3D = true;
    loadSlot(4);
    recorder().results["BASS_SamplePlayEx"] = {321};
    runCommand(play3D(4, 0xFFFFFE, 40, 2, {1, 2, 3}, {0, 0, 1}, {5, 5, 5}));
    runCommand(listener(SET_LISTENER, {1, 2, 3}, {ABSENT, 0, 0}, {0, 0, 1}, {0, 1, 0}));
    runCommand(CommandBytes(SET_FACTORS).putFloat(2, 2.0f).putFloat(6, 0.5f).putFloat(10, 1.0f));
    EXPECT_EQ(recorder().calls,
              (std::vector<std::string>{"BASS_SamplePlayEx(5,0,11025,40,-101,1)",
                                        "BASS_Set3DPosition((1 2 3),null,(0 0 1),(0 1 0))",
                                        "BASS_Apply3D()", "BASS_Set3DFactors(2,0.5,1)",
                                        "BASS_Apply3D()"}));
    EXPECT_EQ(sampleSlotAt(4)->channelRing[0], 321u);
}

TEST_F(ThreeDPlayback, FactorsPassBitForBit) {
    runCommand(CommandBytes(SET_FACTORS).putFloat(2, 0.0f).putFloat(6, -3.5f).putFloat(10, NAN_X));
    EXPECT_EQ(recorder().calls, (std::vector<std::string>{"BASS_Set3DFactors(0,-3.5,nan:7fc00000)",
                                                          "BASS_Apply3D()"}));
}

CommandBytes batch3D(std::uint32_t count, int entries, std::uint32_t slot) {
    CommandBytes block = listener(PLAY_3D_BATCH, {1, 0, 0}, {ABSENT, 0, 0}, {0, 0, 1}, {0, 1, 0});
    block.put16(50, count);
    for (int k = 0; k < entries; ++k)
        putPlay(block, 52 + 48 * static_cast<std::size_t>(k), slot, 0xFFFFFF,
                static_cast<std::uint32_t>(k), 0, {static_cast<float>(k), 0, 0}, {ABSENT, 0, 0},
                {ABSENT, 0, 0});
    return block;
}

TEST_F(ThreeDPlayback, BatchSetsTheListenerFirstAndAppliesOnce) {
    loadSlot(2);
    runCommand(batch3D(2, 2, 2));
    EXPECT_EQ(recorder().calls,
              (std::vector<std::string>{"BASS_Set3DPosition((1 0 0),null,(0 0 1),(0 1 0))",
                                        "BASS_Apply3D()",
                                        "BASS_SamplePlay3DEx(5,(0 0 0),null,null,0,-1,0,0)",
                                        "BASS_SamplePlay3DEx(5,(1 0 0),null,null,0,-1,1,0)"}));
}

TEST_F(ThreeDPlayback, BatchCountsZeroAndAboveWhatFits) {
    loadSlot(2);
    runCommand(batch3D(0, 20, 2));
    EXPECT_EQ(recorder().calls.size(), 2u) << "count 0 is a listener command";
    for (std::uint32_t count : {20u, 21u, 0xFFFFu}) {
        resetRecorder();
        runCommand(batch3D(count, 20, 2));
        const auto plays = callsNamed("BASS_SamplePlay3DEx");
        ASSERT_EQ(plays.size(), 20u) << "count " << count;
        EXPECT_EQ(plays.back(), "BASS_SamplePlay3DEx(5,(19 0 0),null,null,0,-1,19,0)");
    }
}

TEST_F(ThreeDPlayback, SlotOutsideTheTablePlaysNothing) {
    runCommand(play3D(1025, 0xFFFFFF, 0xFFFF, 0, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}));
    runCommand(play3D(0, 0xFFFFFF, 0xFFFF, 0, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}));
    EXPECT_TRUE(recorder().calls.empty());
}

} // namespace
