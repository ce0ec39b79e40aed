#include "link/command_block.h"
#include "link/reply_block.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class LinkFields : public ::testing::Test {
  protected:
    void SetUp() override {
        commandBlock = CommandBlock{};
        replyBlock = ReplyBlock{};
    }
    void setBytes(std::size_t pos, std::initializer_list<std::uint8_t> bytes) {
        for (std::uint8_t b : bytes)
            commandBlock.bytes[pos++] = b;
    }
};

TEST_F(LinkFields, Value24IgnoresTheFourthByte) {
    setBytes(10, {0x10, 0x20, 0x30, 0xFF});
    const std::uint32_t withHighByte = value24At(10);
    setBytes(10, {0x10, 0x20, 0x30, 0x00});
    EXPECT_EQ(withHighByte, 0x302010u);
    EXPECT_EQ(value24At(10), 0x302010u);
}

TEST_F(LinkFields, FieldsAreLittleEndianAtAnyOffset) {
    setBytes(3, {0x78, 0x56, 0x34, 0x12});
    EXPECT_EQ(word16At(3), 0x5678u);
    EXPECT_EQ(raw32At(3), 0x12345678u);
    setBytes(20, {0x00, 0x00, 0x80, 0x3F});
    EXPECT_EQ(float32At(20), 1.0f);
}

TEST_F(LinkFields, AllOnesReadsAsNoValueUnsignedAndMinusOneSigned) {
    setBytes(2, {0xFF, 0xFF});
    EXPECT_EQ(word16At(2), 65535u);
    EXPECT_EQ(signed16At(2), -1);
    setBytes(2, {0x00, 0x80});
    EXPECT_EQ(signed16At(2), -32768);
}

TEST_F(LinkFields, ReadsPastTheBlockEndGiveZero) {
    commandBlock.bytes.fill(0xFF);
    EXPECT_EQ(word16At(1023), 0xFFu);
    EXPECT_EQ(value24At(1022), 0xFFFFu);
    EXPECT_EQ(raw32At(1024), 0u);
}

TEST_F(LinkFields, TextFieldEndsAtNulOrAfterSixtyFourBytes) {
    std::memcpy(&commandBlock.bytes[4], "boom.wav\0junk", 13);
    EXPECT_EQ(textField(), "boom.wav");
    std::memset(&commandBlock.bytes[4], 'a', 64);
    commandBlock.bytes[68] = 'z';
    EXPECT_EQ(textField(), std::string(64, 'a'));
}

TEST_F(LinkFields, SixteenBitAnswerKeepsTheUpperHalfOfTheLastThirtyTwoBitOne) {
    putReply32(64, 0x00012345);
    putReply16(64, 7);
    const std::uint8_t expected[4] = {0x07, 0x00, 0x01, 0x00};
    EXPECT_EQ(std::memcmp(&replyBlock.bytes[64], expected, 4), 0);
    for (std::size_t i = 0; i < REPLY_BLOCK_SIZE; ++i) {
        if (i < 64 || i > 67) {
            EXPECT_EQ(replyBlock.bytes[i], 0) << "byte " << i;
        }
    }
}

} // namespace
