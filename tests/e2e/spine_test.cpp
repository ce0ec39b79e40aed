#include "tests/support/e2e_fixture.h"

#include <fstream>

namespace {

using Spine = RealServer;

TEST_F(Spine, HandshakeUndefinedCodesAndQuit) {
    start();
    ASSERT_TRUE(open(44100, 0).acknowledged);
    for (const std::uint16_t code : std::initializer_list<std::uint16_t>{0, 2, 6, 10, 37, 65535}) {
        const ExchangeResult result = send(CommandBytes(code));
        EXPECT_TRUE(result.acknowledged) << "code " << code;
        EXPECT_FALSE(result.reply.has_value()) << "code " << code << " wrote the reply file";
    }
    EXPECT_EQ(quit(), 1);
    EXPECT_FALSE(exists("TILVO.QBS"));
}

TEST_F(Spine, ReplyFileFromAnEarlierRunIsLeftAlone) {
    {
        std::ofstream old(dir / "TILVO.VCW", std::ios::binary);
        old << std::string(128, 'q');
    }
    start();
    ASSERT_TRUE(open().acknowledged);
    const ExchangeResult result = send(CommandBytes(2));
    ASSERT_TRUE(result.reply.has_value());
    EXPECT_EQ((*result.reply)[64], 'q');
    EXPECT_EQ(quit(), 1);
}

TEST_F(Spine, FirstCommandOtherThanOpeningEndsWithExitCodeZero) {
    start();
    const ExchangeResult result = send(CommandBytes(1), 500);
    EXPECT_FALSE(result.acknowledged);
    EXPECT_EQ(waitForExit(server, 5000).value_or(-1), 0);
    EXPECT_TRUE(exists("TILVO.QBS")) << "the signal stays pending";
}

TEST_F(Spine, ServerWithoutAnyOutputDevicePlaysSilentlyAndServes) {
    // No backend that can open: the engine falls back to silent output.
    start({"ALSOFT_DRIVERS=nonexistent"});
    ASSERT_TRUE(open(44100, 4).acknowledged);
    EXPECT_TRUE(send(CommandBytes(17).put16(2, 50)).acknowledged);
    EXPECT_EQ(quit(), 1);
}

} // namespace
