#include "link/command_block.h"
#include "link/exchange.h"
#include "link/port0.h"
#include "link/reply_block.h"
#include "link/signal_mode.h"
#include "tests/support/scratch_dir.h"

#include <deque>
#include <filesystem>
#include <vector>

namespace {

namespace fs = std::filesystem;

class Exchange : public InScratchDir {
  protected:
    void SetUp() override {
        InScratchDir::SetUp();
        commandBlock = CommandBlock{};
        replyBlock = ReplyBlock{};
        signalMode = SignalMode::FileSignalling;
    }
    void TearDown() override {
        setPortAccess(realPort());
        signalMode = SignalMode::FileSignalling;
        InScratchDir::TearDown();
    }
};

TEST_F(Exchange, ConfigurationFileSelectsTheSignalMode) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        SignalMode expected;
    };
    const std::vector<Case> cases = {
        {"01 00", {0x01, 0x00}, SignalMode::PortSignalling},
        {"one byte 05", {0x05}, SignalMode::PortSignalling},
        {"00 01", {0x00, 0x01}, SignalMode::PortSignalling},
        {"00 00", {0x00, 0x00}, SignalMode::FileSignalling},
        {"empty", {}, SignalMode::FileSignalling},
        {"1A first", {0x1A, 0x01}, SignalMode::FileSignalling},
        {"00 1A", {0x00, 0x1A, 0x01}, SignalMode::FileSignalling},
        {"CR LF reads as LF", {0x0D, 0x0A}, SignalMode::PortSignalling},
        {"00 CR LF", {0x00, 0x0D, 0x0A}, SignalMode::PortSignalling},
        {"00 00 then more", {0x00, 0x00, 0x07}, SignalMode::FileSignalling},
    };
    for (const Case& c : cases) {
        commandBlock = CommandBlock{};
        signalMode = SignalMode::FileSignalling;
        writeFile(root / "ZAZIZUDA.CFG", c.bytes);
        readSignalMode();
        EXPECT_EQ(signalMode, c.expected) << c.what;
    }
}

TEST_F(Exchange, NoConfigurationFileMeansFileSignalling) {
    signalMode = SignalMode::PortSignalling;
    readSignalMode();
    EXPECT_EQ(signalMode, SignalMode::PortSignalling) << "an absent file changes nothing";
    signalMode = SignalMode::FileSignalling;
    readSignalMode();
    EXPECT_EQ(signalMode, SignalMode::FileSignalling);
    EXPECT_EQ(word16At(0), 0u);
}

TEST_F(Exchange, TextModeBytesEndAtEofMarkAndFoldCrLf) {
    const std::uint8_t raw[] = {0x0D, 0x0A, 0x0D, 0x41};
    std::uint8_t out[2] = {};
    EXPECT_EQ(textModeBytes(raw, sizeof raw, out), 2u);
    EXPECT_EQ(out[0], 0x0A);
    EXPECT_EQ(out[1], 0x0D) << "a CR not followed by LF stays";
}

TEST_F(Exchange, ShortCommandFileKeepsThePreviousTail) {
    std::vector<std::uint8_t> first(1024, 0xAB);
    first[0] = 4;
    first[1] = 0;
    writeFile("TILVO.QBW", first);
    writeFile("TILVO.QBS", {});
    awaitCommand();
    writeFile("TILVO.QBW", {0x05, 0x00, 0x01});
    awaitCommand();
    EXPECT_EQ(word16At(0), 5u);
    EXPECT_EQ(commandBlock.bytes[2], 0x01);
    EXPECT_EQ(commandBlock.bytes[3], 0xAB);
    EXPECT_EQ(commandBlock.bytes[1023], 0xAB);
}

TEST_F(Exchange, LongCommandFileIsReadToItsFirst1024Bytes) {
    std::vector<std::uint8_t> bytes(2000, 0x11);
    bytes[1024] = 0x99;
    writeFile("TILVO.QBW", bytes);
    writeFile("TILVO.QBS", {});
    awaitCommand();
    EXPECT_EQ(commandBlock.bytes[1023], 0x11);
}

TEST_F(Exchange, AcknowledgeDeletesTheSignalFileAndToleratesItsAbsence) {
    writeFile("TILVO.QBS", {});
    acknowledge();
    EXPECT_FALSE(fs::exists("TILVO.QBS"));
    acknowledge();
    EXPECT_FALSE(fs::exists("TILVO.QBS"));
}

TEST_F(Exchange, ReplyFileHoldsTheWholeBlock) {
    putReply32(64, 0xA1B2C3D4);
    writeReply();
    const auto bytes = readFile("TILVO.VCW");
    ASSERT_EQ(bytes.size(), 128u);
    EXPECT_EQ(bytes[64], 0xD4);
    EXPECT_EQ(bytes[67], 0xA1);
}

// A port simulated in memory: reads come from a script, writes are kept.
struct SimulatedPort {
    static inline std::deque<std::uint8_t> reads;
    static inline std::vector<std::uint8_t> writes;
    static inline int readCount = 0;
    static bool open() { return true; }
    static std::uint8_t read() {
        ++readCount;
        if (reads.empty())
            return 1;
        const std::uint8_t value = reads.front();
        reads.pop_front();
        return value;
    }
    static void write(std::uint8_t value) { writes.push_back(value); }
};

TEST_F(Exchange, PortSignallingWaitsForNonZeroAndAcknowledgesWithTwoZeros) {
    SimulatedPort::reads = {0, 0, 0, 7};
    SimulatedPort::writes.clear();
    SimulatedPort::readCount = 0;
    setPortAccess({SimulatedPort::open, SimulatedPort::read, SimulatedPort::write});
    signalMode = SignalMode::PortSignalling;
    writeFile("TILVO.QBW", {0x15, 0x00, 0x02, 0x00});
    writeFile("TILVO.QBS", {});

    awaitCommand();
    EXPECT_EQ(SimulatedPort::readCount, 4);
    EXPECT_EQ(word16At(0), 21u) << "the command file is still read";
    putReply32(64, 42);
    writeReply();
    acknowledge();
    EXPECT_EQ(SimulatedPort::writes, (std::vector<std::uint8_t>{0, 0}));
    EXPECT_TRUE(fs::exists("TILVO.QBS")) << "the signal file is never touched";
    EXPECT_EQ(readFile("TILVO.VCW").at(64), 42);
}

} // namespace
