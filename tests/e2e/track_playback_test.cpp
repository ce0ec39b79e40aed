#include "tests/engine/music_test_module.h"
#include "tests/support/e2e_fixture.h"
#include "tests/support/sound_files.h"

#include <sndfile.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

constexpr std::uint16_t LOAD = 7;
constexpr std::uint16_t PLAY = 8;
constexpr std::uint16_t STOP = 14;
constexpr std::uint16_t FREE = 16;
constexpr std::uint16_t LENGTH = 21;
constexpr std::uint16_t SET_POSITION = 22;
constexpr std::uint16_t POSITION = 23;
constexpr std::uint32_t STREAM = 1;
constexpr std::uint32_t MUSIC = 2;
constexpr std::uint32_t STEREO_WAV_BYTES = 264600; // 1.5 s, stereo, 44.1 kHz

CommandBytes load(std::uint32_t slot, const char* name, std::uint32_t flags, std::uint32_t kind) {
    return CommandBytes(LOAD).put16(2, slot).putText(name).put32(68, flags).put16(72, kind);
}

bool writeStereoWav(const std::filesystem::path& path) {
    ToneSpec tone;
    tone.seconds = 1.5;
    tone.channels = 2;
    tone.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    return writeTone(path, tone);
}

} // namespace

class TrackServer : public RealServer {
  protected:
    std::uint32_t ask(std::uint16_t code, std::uint32_t slot) {
        const ExchangeResult result = send(CommandBytes(code).put16(2, slot));
        EXPECT_TRUE(result.acknowledged);
        EXPECT_TRUE(result.reply.has_value());
        return result.reply ? replyAnswer32(*result.reply) : 0xDEADBEEF;
    }

    // Asks for the position until it passes `beyond`: the null backend plays
    // in real time, so this takes as long as the sound needs to get there.
    std::uint32_t positionPast(std::uint32_t slot, std::uint32_t beyond) {
        std::uint32_t position = ask(POSITION, slot);
        for (int tries = 0; tries < 300 && position <= beyond; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            position = ask(POSITION, slot);
        }
        return position;
    }
};

TEST_F(TrackServer, StreamsAnswerLengthsAndPositionsThroughTheReplyFile) {
    ASSERT_TRUE(writeStereoWav(dir / "stream.wav"));
    std::filesystem::create_directories(dir / "Sounds");
    ASSERT_TRUE(writeStereoWav(dir / "Sounds" / "Tone.WAV"));
    start();
    ASSERT_TRUE(open().acknowledged);

    struct Row {
        std::uint32_t slot;
        const char* name;
        std::uint32_t flags;
        std::uint32_t length;
    };
    const Row rows[] = {
        {1, "stream.wav", 0, STEREO_WAV_BYTES},
        {2, "stream.wav", 0x1004, STEREO_WAV_BYTES}, // memory copy
        {3, "SOUNDS\\TONE.WAV", 0x3004, STEREO_WAV_BYTES},
        {6, "SOUNDS\\TONE.WAV", 0x1000, STEREO_WAV_BYTES}, // memory copy, DOS-style name
        {4, "missing.wav", 0, 0xFFFFFFFF},
        {5, "missing.wav", 0x1000, 0xFFFFFFFF},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name + std::string(" flags=") + std::to_string(row.flags));
        ASSERT_TRUE(send(load(row.slot, row.name, row.flags, STREAM)).acknowledged);
        EXPECT_EQ(ask(LENGTH, row.slot), row.length);
        EXPECT_EQ(ask(POSITION, row.slot), 0u);
    }

    ASSERT_TRUE(send(CommandBytes(PLAY).put16(2, 2)).acknowledged);
    const std::uint32_t heard = positionPast(2, 0);
    EXPECT_GT(heard, 0u);
    EXPECT_LT(heard, STEREO_WAV_BYTES);
    EXPECT_EQ(heard % 4, 0u);

    ASSERT_TRUE(send(CommandBytes(SET_POSITION).put16(2, 2).put32(4, 200000)).acknowledged);
    EXPECT_GE(ask(POSITION, 2), 200000u);
    ASSERT_TRUE(send(CommandBytes(STOP).put16(2, 2)).acknowledged);
    EXPECT_EQ(ask(POSITION, 2), 0u);

    ASSERT_TRUE(send(CommandBytes(FREE).put16(2, 2)).acknowledged);
    EXPECT_EQ(ask(LENGTH, 2), STEREO_WAV_BYTES);
    EXPECT_EQ(ask(POSITION, 2), 0u);
    EXPECT_EQ(quit(), 1);
}

TEST_F(TrackServer, ModuleAnswersOrdersAndMovesThroughThem) {
    ASSERT_TRUE(musictest::writeModule(dir / "song.mod"));
    start();
    ASSERT_TRUE(open().acknowledged);
    ASSERT_TRUE(send(load(7, "song.mod", 0x4, MUSIC)).acknowledged);
    EXPECT_EQ(ask(LENGTH, 7), musictest::MODULE_ORDERS);
    ASSERT_TRUE(send(CommandBytes(PLAY).put16(2, 7)).acknowledged);
    // Rows advance: row 5 of order 0 or later.
    EXPECT_GT(positionPast(7, 5u << 16), 5u << 16);

    ASSERT_TRUE(send(CommandBytes(SET_POSITION).put16(2, 7).put32(4, 2)).acknowledged);
    EXPECT_EQ(ask(POSITION, 7) & 0xFFFF, 2u);
    ASSERT_TRUE(send(CommandBytes(FREE).put16(2, 7)).acknowledged);
    EXPECT_EQ(ask(POSITION, 7), 0u);
    EXPECT_EQ(ask(LENGTH, 7), musictest::MODULE_ORDERS);
    EXPECT_EQ(quit(), 1);
}
