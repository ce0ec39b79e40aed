// The exchange files can be wrong in ways the client did not mean: a command
// file that is not there yet, a reply file that cannot be written, a signal
// file that will not go. The server waits them out without losing the command
// and without spinning a core.
#include "link/command_block.h"
#include "link/exchange.h"
#include "link/reply_block.h"
#include "link/signal_mode.h"
#include "tests/support/scratch_dir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class LinkFaults : public InScratchDir {
  protected:
    void SetUp() override {
        InScratchDir::SetUp();
        commandBlock = CommandBlock{};
        replyBlock = ReplyBlock{};
        signalMode = SignalMode::FileSignalling;
    }
};

TEST_F(LinkFaults, MissingCommandFileIsWaitedForWithTheSignalPending) {
    writeFile("TILVO.QBS", {});
    auto waiting = std::async(std::launch::async, awaitCommand);
    EXPECT_EQ(waiting.wait_for(60ms), std::future_status::timeout);
    writeFile("TILVO.QBW", {0x04, 0x00, 0x09, 0x00});
    ASSERT_EQ(waiting.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(word16At(0), 4u);
    EXPECT_EQ(word16At(2), 9u);
    EXPECT_TRUE(fs::exists("TILVO.QBS")) << "only the acknowledgement removes the signal";
}

TEST_F(LinkFaults, UnwritableCommandFileIsWaitedForToo) {
    writeFile("TILVO.QBS", {});
    fs::create_directory("TILVO.QBW");
    auto waiting = std::async(std::launch::async, awaitCommand);
    EXPECT_EQ(waiting.wait_for(60ms), std::future_status::timeout);
    fs::remove("TILVO.QBW");
    writeFile("TILVO.QBW", {0x11, 0x00});
    ASSERT_EQ(waiting.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(word16At(0), 17u);
}

TEST_F(LinkFaults, BlockedReplyFileDelaysTheAnswerUntilItCanBeWritten) {
    fs::create_directory("TILVO.VCW");
    putReply32(64, 264600);
    auto writing = std::async(std::launch::async, writeReply);
    EXPECT_EQ(writing.wait_for(60ms), std::future_status::timeout);
    fs::remove("TILVO.VCW");
    ASSERT_EQ(writing.wait_for(2s), std::future_status::ready);
    const auto bytes = readFile("TILVO.VCW");
    ASSERT_EQ(bytes.size(), 128u);
    EXPECT_EQ(bytes[64] | bytes[65] << 8 | bytes[66] << 16, 264600);
}

TEST_F(LinkFaults, UndeletableSignalFileIsRetriedWithoutSpinning) {
    fs::create_directories("TILVO.QBS/inside");
    const double cpuBefore = processCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    auto acknowledging = std::async(std::launch::async, acknowledge);
    EXPECT_EQ(acknowledging.wait_for(300ms), std::future_status::timeout);
    const double cpu = processCpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    // A spinning retry would burn the whole wall time; a paced one a sliver.
    EXPECT_LT(cpu, wall * 0.5) << "cpu " << cpu << " s over " << wall << " s";
    fs::remove("TILVO.QBS/inside");
    ASSERT_EQ(acknowledging.wait_for(2s), std::future_status::ready);
    EXPECT_FALSE(fs::exists("TILVO.QBS"));
}

TEST_F(LinkFaults, SignalFileRemovedByOtherHandsEndsTheRetry) {
    fs::create_directories("TILVO.QBS/inside");
    auto acknowledging = std::async(std::launch::async, acknowledge);
    EXPECT_EQ(acknowledging.wait_for(50ms), std::future_status::timeout);
    fs::remove_all("TILVO.QBS");
    EXPECT_EQ(acknowledging.wait_for(2s), std::future_status::ready);
}

} // namespace
