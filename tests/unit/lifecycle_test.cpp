#include "client/command_builder.h"
#include "client/exchange_client.h"
#include "link/command_block.h"
#include "link/signal_mode.h"
#include "server/lifecycle.h"
#include "server/startup_state.h"
#include "tests/support/recording_engine.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/server_fixture.h"

#include <filesystem>
#include <future>
#include <thread>

namespace {

namespace fs = std::filesystem;

class Lifecycle : public InScratchDir {
  protected:
    void SetUp() override {
        InScratchDir::SetUp();
        resetServerState();
    }

    // Leaves a command pending as a client would.
    void pend(const CommandBytes& command) {
        writeFile("TILVO.QBW",
                  std::vector<std::uint8_t>(command.bytes.begin(), command.bytes.end()));
        writeFile("TILVO.QBS", {});
    }

    static CommandBytes opening(std::uint32_t frequency, std::uint32_t flags) {
        return CommandBytes(0).put32(2, frequency).put32(6, flags);
    }
};

TEST_F(Lifecycle, HandshakeInitialisesTheEngineAndAcknowledges) {
    struct Case {
        const char* what;
        CommandBytes command;
        const char* init;
        bool threeD;
    };
    std::vector<Case> cases = {
        {"flags 0", opening(44100, 0), "BASS_Init(-1,44100,0,0)", false},
        {"flags 4", opening(22050, 4), "BASS_Init(-1,22050,4,0)", true},
        {"flags 4 with others", opening(48000, 0x1C5), "BASS_Init(-1,48000,453,0)", true},
        {"bytes 5 and 9 ignored", opening(44100, 4).put8(5, 0xEE).put8(9, 0x77),
         "BASS_Init(-1,44100,4,0)", true},
    };
    for (const Case& c : cases) {
        resetServerState();
        pend(c.command);
        EXPECT_EQ(startUp(), 0) << c.what;
        std::vector<std::string> expected{c.init, "BASS_Start()"};
        if (c.threeD)
            expected.push_back("BASS_Set3DFactors(1,1,1)");
        EXPECT_EQ(recorder().calls, expected) << c.what;
        EXPECT_EQ(no3D, !c.threeD) << c.what;
        EXPECT_FALSE(fs::exists("TILVO.QBS")) << c.what << ": acknowledged";
    }
}

TEST_F(Lifecycle, FailedHandshakesLeaveTheSignalPending) {
    pend(CommandBytes(3));
    EXPECT_NE(startUp(), 0);
    EXPECT_TRUE(recorder().calls.empty()) << "the engine is not touched";
    EXPECT_TRUE(fs::exists("TILVO.QBS"));

    resetServerState();
    recorder().results["BASS_Init"] = {0};
    pend(opening(44100, 4));
    EXPECT_NE(startUp(), 0);
    EXPECT_EQ(recorder().calls, std::vector<std::string>{"BASS_Init(-1,44100,4,0)"});
    EXPECT_TRUE(fs::exists("TILVO.QBS"));
}

TEST_F(Lifecycle, ShutdownReleasesTheCdAndTheEngineLast) {
    shutDown();
    const auto& calls = recorder().calls;
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
              (std::vector<std::string>{"BASS_CDFree()", "BASS_Stop()", "BASS_Free()"}));
}

TEST_F(Lifecycle, WholeSessionEndsWithExitCodeOneAndQuitAcknowledgedAfterFree) {
    bool signalPendingAtFree = false;
    recorder().onCall = [&](const std::string& call) {
        if (call == "BASS_Free()")
            signalPendingAtFree = fs::exists("TILVO.QBS");
    };
    auto server = std::async(std::launch::async, serverMain);
    ExchangeOptions options;
    options.dir = work;
    EXPECT_TRUE(exchange(CommandBytes(0).put32(2, 44100), options).acknowledged);
    EXPECT_TRUE(exchange(CommandBytes(37), options).acknowledged);
    EXPECT_TRUE(exchange(CommandBytes(1), options).acknowledged);
    EXPECT_EQ(server.get(), EXIT_AFTER_QUIT);
    EXPECT_TRUE(signalPendingAtFree);
}

TEST_F(Lifecycle, FirstCommandOtherThanOpeningEndsWithExitCodeZero) {
    pend(CommandBytes(1));
    EXPECT_EQ(serverMain(), EXIT_HANDSHAKE_FAILED);
    EXPECT_TRUE(fs::exists("TILVO.QBS"));
}

} // namespace
