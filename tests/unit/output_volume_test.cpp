#include "link/reply_block.h"
#include "tests/support/server_fixture.h"

#include <string>
#include <vector>

namespace {

constexpr std::uint16_t SET_MASTER_VOLUME = 17;
constexpr std::uint16_t SET_CLASS_VOLUMES = 18;

TEST_F(ServerLogic, MasterVolumeSentinelAndValues) {
    struct Case {
        std::uint32_t word;
        std::string call;
    };
    const std::vector<Case> cases{
        {0xFFFF, "BASS_SetVolume(-1)"},
        {0, "BASS_SetVolume(0)"},
        {50, "BASS_SetVolume(50)"},
        {0xFFFE, "BASS_SetVolume(65534)"},
    };
    for (const Case& c : cases) {
        resetRecorder();
        runCommand(CommandBytes(SET_MASTER_VOLUME).put16(2, c.word));
        EXPECT_EQ(recorder().calls, std::vector<std::string>{c.call}) << "word " << c.word;
    }
}

TEST_F(ServerLogic, ClassVolumesTestEachWordAloneAndLeaveStreams) {
    struct Case {
        std::uint32_t music;
        std::uint32_t sample;
        std::string call;
    };
    const std::vector<Case> cases{
        {0xFFFF, 50, "BASS_SetGlobalVolumes(-1,50,-1)"},
        {0xFFFF, 0xFFFF, "BASS_SetGlobalVolumes(-1,-1,-1)"},
        {30, 0xFFFF, "BASS_SetGlobalVolumes(30,-1,-1)"},
        {0, 0xFFFE, "BASS_SetGlobalVolumes(0,65534,-1)"},
    };
    for (const Case& c : cases) {
        resetRecorder();
        runCommand(CommandBytes(SET_CLASS_VOLUMES).put16(2, c.music).put16(4, c.sample));
        EXPECT_EQ(recorder().calls, std::vector<std::string>{c.call})
            << "music " << c.music << " sample " << c.sample;
    }
}

TEST_F(ServerLogic, VolumeCommandsLeaveTheReplyAlone) {
    replyBlock.bytes[64] = 0xAB;
    runCommand(CommandBytes(SET_MASTER_VOLUME).put16(2, 10));
    runCommand(CommandBytes(SET_CLASS_VOLUMES).put16(2, 10).put16(4, 20));
    EXPECT_EQ(replyBlock.bytes[64], 0xAB);
    EXPECT_EQ(replyBlock.bytes[65], 0);
}

} // namespace
