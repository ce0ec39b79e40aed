#include "link/reply_block.h"
#include "server/dispatch.h"
#include "tests/support/server_fixture.h"

namespace {

using Dispatch = ServerLogic;

TEST_F(Dispatch, CodesWithoutAnOperationDoNothing) {
    replyBlock.bytes[64] = 0x5A;
    for (std::uint32_t code : {0u, 2u, 6u, 10u, 37u, 1000u, 65535u}) {
        resetRecorder();
        EXPECT_EQ(runCommand(CommandBytes(static_cast<std::uint16_t>(code))), DISPATCH_CONTINUE)
            << "code " << code;
        EXPECT_TRUE(recorder().calls.empty()) << "code " << code;
        EXPECT_EQ(commandName(code), nullptr) << "code " << code;
    }
    EXPECT_EQ(replyBlock.bytes[64], 0x5A);
}

TEST_F(Dispatch, QuitReturnsOneWithoutTouchingTheEngine) {
    EXPECT_EQ(runCommand(CommandBytes(1)), DISPATCH_QUIT);
    EXPECT_TRUE(recorder().calls.empty());
}

TEST_F(Dispatch, EveryDefinedCodeHasAnEntry) {
    for (std::uint32_t code = 1; code <= 36; ++code) {
        const bool gap = code == 2 || code == 6 || code == 10;
        EXPECT_EQ(commandName(code) == nullptr, gap) << "code " << code;
    }
}

} // namespace
