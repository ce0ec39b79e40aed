#include "link/reply_block.h"
#include "output/eax_presets.h"
#include "tests/support/server_fixture.h"

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t SET_EAX_ENVIRONMENT = 27;

std::string floatBitsText(std::uint32_t bits) {
    return floatText(std::bit_cast<float>(bits));
}

std::string eaxCall(int environment, std::uint32_t volume, std::uint32_t decay,
                    std::uint32_t damping) {
    return "BASS_SetEAXParameters(" + std::to_string(environment) + "," + floatBitsText(volume) +
           "," + floatBitsText(decay) + "," + floatBitsText(damping) + ")";
}

// Values no preset holds, including a signalling NaN with a payload, so that
// a converted or quietened float would show.
constexpr std::uint32_t CLIENT_VOLUME = 0x7F800123;
constexpr std::uint32_t CLIENT_DECAY = 0xC0490FDB;
constexpr std::uint32_t CLIENT_DAMPING = 0x7FC00042;

TEST_F(ServerLogic, EaxSelectorRanges) {
    struct Case {
        std::uint32_t selector;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases{
        {0xFFFF, {eaxCall(-1, CLIENT_VOLUME, CLIENT_DECAY, CLIENT_DAMPING)}},
        {0, {eaxCall(0, CLIENT_VOLUME, CLIENT_DECAY, CLIENT_DAMPING)}},
        {26, {eaxCall(26, CLIENT_VOLUME, CLIENT_DECAY, CLIENT_DAMPING)}},
        {27, {eaxCall(0, 0x3F000000, 0x3FBF1AA0, 0x3F000000)}},
        {52, {eaxCall(25, 0x3EF8D4FE, 0x40F20419, 0x3F4E5604)}},
        {53, {}},
        {0xFFFE, {}},
    };
    for (const Case& c : cases) {
        resetRecorder();
        runCommand(CommandBytes(SET_EAX_ENVIRONMENT)
                       .put16(2, c.selector)
                       .put32(4, CLIENT_VOLUME)
                       .put32(8, CLIENT_DECAY)
                       .put32(12, CLIENT_DAMPING));
        EXPECT_EQ(recorder().calls, c.calls) << "selector " << c.selector;
    }
}

TEST(EaxPresets, TellingRowsBitForBit) {
    struct Row {
        std::size_t index;
        std::uint32_t volume;
        std::uint32_t decay;
        std::uint32_t damping;
    };
    const std::vector<Row> rows{
        {0, 0x3F000000, 0x3FBF1AA0, 0x3F000000},  {1, 0x3E800000, 0x3DCCCCCD, 0x00000000},
        {11, 0x3E1CAC08, 0x3E849BA6, 0x40000000}, {24, 0x3E0E5604, 0x4189DF3B, 0x3F2A7EFA},
        {25, 0x3EF8D4FE, 0x40F20419, 0x3F4E5604},
    };
    for (const Row& row : rows) {
        const EaxPreset& preset = eaxPresets[row.index];
        EXPECT_EQ(preset.environment, static_cast<std::int32_t>(row.index)) << "row " << row.index;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(preset.volume), row.volume) << "row " << row.index;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(preset.decay), row.decay) << "row " << row.index;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(preset.damping), row.damping) << "row " << row.index;
    }
}

TEST(EaxPresets, EveryRowCarriesItsOwnEnvironmentWithinTheEngineRanges) {
    for (std::size_t i = 0; i < eaxPresets.size(); ++i) {
        EXPECT_EQ(eaxPresets[i].environment, static_cast<std::int32_t>(i)) << "row " << i;
        EXPECT_GE(eaxPresets[i].volume, 0.0f) << "row " << i;
        EXPECT_LE(eaxPresets[i].volume, 1.0f) << "row " << i;
        EXPECT_GE(eaxPresets[i].decay, 0.1f) << "row " << i;
        EXPECT_LE(eaxPresets[i].decay, 20.0f) << "row " << i;
        EXPECT_GE(eaxPresets[i].damping, 0.0f) << "row " << i;
        EXPECT_LE(eaxPresets[i].damping, 2.0f) << "row " << i;
    }
}

TEST_F(ServerLogic, EaxCommandLeavesTheReplyAlone) {
    replyBlock.bytes[64] = 0x5A;
    runCommand(CommandBytes(SET_EAX_ENVIRONMENT).put16(2, 30));
    EXPECT_EQ(replyBlock.bytes[64], 0x5A);
}

} // namespace
