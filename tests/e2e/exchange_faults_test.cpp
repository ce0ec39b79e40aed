// The real server against exchange files that are wrong for a while: it
// carries every command out once, answers every query correctly, and never
// spins a core while it waits.
#include "tests/support/e2e_fixture.h"
#include "tests/support/sound_files.h"

#include <chrono>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::uint32_t STEREO_WAV_BYTES = 264600; // 1.5 s of 16-bit stereo at 44.1 kHz

bool writeStereoWav(const fs::path& path) {
    ToneSpec tone;
    tone.seconds = 1.5;
    tone.channels = 2;
    return writeTone(path, tone);
}

void writeCommand(const fs::path& path, const CommandBytes& command) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(command.bytes.data()), 1024);
}

double cpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i == 14 || i == 15)
            ticks += std::stol(field);
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

bool waitGone(const fs::path& path, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (fs::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class ExchangeFaults : public RealServer {
  protected:
    void loadStream() {
        ASSERT_TRUE(writeStereoWav(dir / "stream.wav"));
        ASSERT_TRUE(
            send(CommandBytes(7).put16(2, 1).putText("stream.wav").put16(72, 1)).acknowledged);
    }
};

TEST_F(ExchangeFaults, MissingCommandFileIsCarriedOutOnceItAppears) {
    start();
    ASSERT_TRUE(open().acknowledged);
    loadStream();
    fs::remove(dir / "TILVO.QBW");
    fs::remove(dir / "TILVO.VCW");
    std::ofstream(dir / "TILVO.QBS").close();
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(exists("TILVO.QBS")) << "nothing to carry out yet";
    writeCommand(dir / "TILVO.QBW", CommandBytes(21).put16(2, 1));
    ASSERT_TRUE(waitGone(dir / "TILVO.QBS", 5000ms));
    std::ifstream reply(dir / "TILVO.VCW", std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(reply)),
                            std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 128u);
    ReplyBytes answer{};
    std::copy(bytes.begin(), bytes.end(), answer.begin());
    EXPECT_EQ(replyAnswer32(answer), STEREO_WAV_BYTES);
    EXPECT_EQ(quit(), 1);
}

TEST_F(ExchangeFaults, BlockedReplyFileHoldsTheAcknowledgementUntilTheAnswerIsWritten) {
    start();
    ASSERT_TRUE(open().acknowledged);
    loadStream();
    fs::remove(dir / "TILVO.VCW");
    fs::create_directory(dir / "TILVO.VCW");
    writeCommand(dir / "TILVO.QBW", CommandBytes(21).put16(2, 1));
    std::ofstream(dir / "TILVO.QBS").close();
    std::this_thread::sleep_for(150ms);
    EXPECT_TRUE(exists("TILVO.QBS")) << "a query is not acknowledged without its answer";
    fs::remove(dir / "TILVO.VCW");
    ASSERT_TRUE(waitGone(dir / "TILVO.QBS", 5000ms));
    const ExchangeResult again = send(CommandBytes(2));
    ASSERT_TRUE(again.reply.has_value());
    EXPECT_EQ(replyAnswer32(*again.reply), STEREO_WAV_BYTES);
    EXPECT_EQ(quit(), 1);
}

TEST_F(ExchangeFaults, UndeletableSignalFileIsRetriedWithoutSpinning) {
    start();
    ASSERT_TRUE(open().acknowledged);
    writeCommand(dir / "TILVO.QBW", CommandBytes(17).put16(2, 60));
    fs::create_directories(dir / "TILVO.QBS" / "inside");
    std::this_thread::sleep_for(100ms);
    const double before = cpuSeconds(server.pid);
    std::this_thread::sleep_for(1000ms);
    const double blockedCpu = cpuSeconds(server.pid) - before;
    RecordProperty("blocked_cpu_seconds_per_second", std::to_string(blockedCpu));
    EXPECT_LT(blockedCpu, 0.5) << "a server blocked on the signal file spins";
    fs::remove(dir / "TILVO.QBS" / "inside");
    ASSERT_TRUE(waitGone(dir / "TILVO.QBS", 5000ms));
    EXPECT_EQ(quit(), 1);
}

TEST_F(ExchangeFaults, UnreadableConfigurationFileMeansFileSignalling) {
    fs::create_directory(root / "ZAZIZUDA.CFG");
    start();
    ASSERT_TRUE(open().acknowledged);
    EXPECT_EQ(quit(), 1);
}

TEST_F(ExchangeFaults, FilesThatVanishOrChangeAfterALoadLeaveTheServerServing) {
    ASSERT_TRUE(writeStereoWav(dir / "sample.wav"));
    start();
    ASSERT_TRUE(open().acknowledged);
    loadStream();
    ASSERT_TRUE(send(CommandBytes(3).put16(2, 1).putText("sample.wav")).acknowledged);
    ASSERT_TRUE(
        send(CommandBytes(7).put16(2, 2).putText("stream.wav").put32(68, 0x1000).put16(72, 1))
            .acknowledged);
    fs::remove(dir / "sample.wav");
    std::ofstream(dir / "stream.wav", std::ios::trunc).close();
    EXPECT_TRUE(
        send(CommandBytes(4).put16(2, 1).put32(4, 0xFFFFFF).put16(8, 0xFFFF).put16(10, 0xFFFF))
            .acknowledged);
    for (std::uint16_t slot : {std::uint16_t{1}, std::uint16_t{2}}) {
        EXPECT_TRUE(send(CommandBytes(8).put16(2, slot)).acknowledged);
        const ExchangeResult position = send(CommandBytes(23).put16(2, slot));
        EXPECT_TRUE(position.acknowledged);
        const ExchangeResult length = send(CommandBytes(21).put16(2, slot));
        ASSERT_TRUE(length.reply.has_value());
        EXPECT_EQ(replyAnswer32(*length.reply), STEREO_WAV_BYTES) << "slot " << slot;
    }
    EXPECT_EQ(quit(), 1);
}

} // namespace
