#include "tests/engine/cd_test_discs.h"
#include "tests/support/e2e_fixture.h"

namespace {

using CdCommands = RealServer;

constexpr std::uint32_t CD = 513;

std::uint32_t answer32(const ExchangeResult& result) {
    EXPECT_TRUE(result.acknowledged);
    EXPECT_TRUE(result.reply.has_value());
    return result.reply ? replyAnswer32(*result.reply) : 0xDEADBEEF;
}

std::uint16_t answer16(const ExchangeResult& result) {
    EXPECT_TRUE(result.acknowledged);
    EXPECT_TRUE(result.reply.has_value());
    return result.reply ? replyAnswer16(*result.reply) : 0xBEEF;
}

TEST_F(CdCommands, CountsMeasuresPlaysAndPositionsAnImage) {
    ASSERT_TRUE(cdtest::writeImageDisc(dir, false));
    start();
    ASSERT_TRUE(open().acknowledged);
    ASSERT_TRUE(send(CommandBytes(32)).acknowledged);
    EXPECT_EQ(answer16(send(CommandBytes(34))), 3);
    EXPECT_EQ(answer32(send(CommandBytes(35).put16(2, 1))), 2u);
    EXPECT_EQ(answer32(send(CommandBytes(35).put16(2, 3))), 1u) << "1480 ms";
    EXPECT_EQ(answer32(send(CommandBytes(35).put16(2, 9))), 4294967u) << "no track 9";

    ASSERT_TRUE(send(CommandBytes(36).put16(2, 1).put16(4, 1)).acknowledged);
    // Paused, the position stays where the seek put it.
    ASSERT_TRUE(send(CommandBytes(12).put16(2, CD)).acknowledged);
    ASSERT_TRUE(send(CommandBytes(22).put16(2, CD).put32(4, 1)).acknowledged);
    EXPECT_EQ(answer32(send(CommandBytes(23).put16(2, CD))), 1u);
    ASSERT_TRUE(send(CommandBytes(9).put16(2, CD).put16(6, 40)).acknowledged);
    ASSERT_TRUE(send(CommandBytes(14).put16(2, CD)).acknowledged);
    EXPECT_EQ(answer32(send(CommandBytes(23).put16(2, CD))), 1u) << "stop keeps the position";
    ASSERT_TRUE(send(CommandBytes(13).put16(2, CD)).acknowledged);
    ASSERT_TRUE(send(CommandBytes(36).put16(2, 2)).acknowledged) << "a data track";

    ASSERT_TRUE(send(CommandBytes(33)).acknowledged);
    EXPECT_EQ(answer16(send(CommandBytes(34))), 0xFFFF) << "closed";
    EXPECT_EQ(quit(), 1);
}

TEST_F(CdCommands, AMalformedSheetLeavesTheServerServingWithoutACd) {
    ASSERT_TRUE(cdtest::writeText(dir / "cdaudio.cue", "TRACK 01 AUDIO\nINDEX 01 00:00:00\n"));
    start();
    ASSERT_TRUE(open(44100, 4).acknowledged);
    ASSERT_TRUE(send(CommandBytes(32)).acknowledged);
    EXPECT_EQ(answer16(send(CommandBytes(34))), 0xFFFF);
    EXPECT_EQ(answer32(send(CommandBytes(35).put16(2, 1))), 4294967u);
    ASSERT_TRUE(send(CommandBytes(36).put16(2, 1)).acknowledged);
    EXPECT_EQ(answer32(send(CommandBytes(23).put16(2, CD))), 4294967u);
    ASSERT_TRUE(send(CommandBytes(27).put16(2, 30)).acknowledged);
    ASSERT_TRUE(send(CommandBytes(17).put16(2, 50)).acknowledged);
    EXPECT_EQ(quit(), 1);
}

} // namespace
