#include "link/reply_block.h"
#include "tests/support/server_fixture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t CD = 513;

std::uint32_t reply32() {
    const auto& b = replyBlock.bytes;
    return b[64] | b[65] << 8 | b[66] << 16 | static_cast<std::uint32_t>(b[67]) << 24;
}

TEST_F(ServerLogic, CdCommandsMakeExactlyTheirOneCall) {
    struct Case {
        const char* what;
        CommandBytes command;
        std::string call;
    };
    const std::vector<Case> cases{
        {"open", CommandBytes(32), "BASS_CDInit(null)"},
        {"close", CommandBytes(33), "BASS_CDFree()"},
        {"count", CommandBytes(34), "BASS_CDGetTracks()"},
        {"length", CommandBytes(35).put16(2, 7), "BASS_CDGetTrackLength(7)"},
        {"play once", CommandBytes(36).put16(2, 3).put16(4, 0), "BASS_CDPlay(3,0,0)"},
        {"play loop word 2", CommandBytes(36).put16(2, 3).put16(4, 2), "BASS_CDPlay(3,1,0)"},
        {"volume 0xFFFF, pan word ignored",
         CommandBytes(9).put16(2, CD).put16(4, 1234).put16(6, 0xFFFF),
         "BASS_ChannelSetAttributes(0,-1,65535,-1)"},
        {"volume 40", CommandBytes(9).put16(2, CD).put16(6, 40),
         "BASS_ChannelSetAttributes(0,-1,40,-1)"},
        {"pause", CommandBytes(12).put16(2, CD), "BASS_ChannelPause(0)"},
        {"resume", CommandBytes(13).put16(2, CD), "BASS_ChannelResume(0)"},
        {"stop, no position call", CommandBytes(14).put16(2, CD), "BASS_ChannelStop(0)"},
        {"seek 90 s", CommandBytes(22).put16(2, CD).put32(4, 90),
         "BASS_ChannelSetPosition(0,90000)"},
        {"seek 4,294,968 s wraps", CommandBytes(22).put16(2, CD).put32(4, 4294968),
         "BASS_ChannelSetPosition(0,704)"},
        {"seek ignores the fourth byte", CommandBytes(22).put16(2, CD).put32(4, 0xFF00000A),
         "BASS_ChannelSetPosition(0,10000)"},
        {"position", CommandBytes(23).put16(2, CD), "BASS_ChannelGetPosition(0)"},
    };
    for (const Case& c : cases) {
        resetRecorder();
        runCommand(c.command);
        EXPECT_EQ(recorder().calls, std::vector<std::string>{c.call}) << c.what;
    }
}

TEST_F(ServerLogic, CdThousandthsBecomeWholeSeconds) {
    struct Case {
        const char* what;
        CommandBytes command;
        const char* callName;
        std::uint32_t engineValue;
        std::uint32_t reply;
    };
    const std::vector<Case> cases{
        {"position 12,345", CommandBytes(23).put16(2, CD), "BASS_ChannelGetPosition", 12345, 12},
        {"position 999", CommandBytes(23).put16(2, CD), "BASS_ChannelGetPosition", 999, 0},
        {"position failed", CommandBytes(23).put16(2, CD), "BASS_ChannelGetPosition", 0xFFFFFFFF,
         4294967},
        {"length 12,345", CommandBytes(35).put16(2, 1), "BASS_CDGetTrackLength", 12345, 12},
        {"length failed", CommandBytes(35).put16(2, 1), "BASS_CDGetTrackLength", 0xFFFFFFFF,
         4294967},
    };
    for (const Case& c : cases) {
        resetRecorder();
        replyBlock = ReplyBlock{};
        recorder().defaultResults[c.callName] = c.engineValue;
        runCommand(c.command);
        EXPECT_EQ(reply32(), c.reply) << c.what;
    }
}

TEST_F(ServerLogic, CdTrackCountWritesOnlyItsLowSixteenBits) {
    recorder().defaultResults["BASS_ChannelGetPosition"] = 0x12345678;
    runCommand(CommandBytes(23).put16(2, CD)); // leaves 0x0004A90B at 64
    recorder().defaultResults["BASS_CDGetTracks"] = 0xFFFFFFFF;
    runCommand(CommandBytes(34));
    EXPECT_EQ(replyBlock.bytes[64], 0xFF);
    EXPECT_EQ(replyBlock.bytes[65], 0xFF);
    EXPECT_EQ(replyBlock.bytes[66], 0x04);
    EXPECT_EQ(replyBlock.bytes[67], 0x00);

    recorder().defaultResults["BASS_CDGetTracks"] = 0x00010012;
    runCommand(CommandBytes(34));
    EXPECT_EQ(reply32(), 0x00040012u);
}

TEST_F(ServerLogic, TrackCommandsWithoutACdVariantTreat513AsATrackSlot) {
    // Slot 513 lies past the track table, so these do nothing at all.
    for (const int code : {7, 8, 16, 21}) {
        resetRecorder();
        runCommand(CommandBytes(static_cast<std::uint16_t>(code)).put16(2, CD).putText("x.wav"));
        for (const std::string& call : recorder().calls)
            EXPECT_EQ(call.find("BASS_CD"), std::string::npos) << "code " << code << ": " << call;
        EXPECT_TRUE(callsNamed("BASS_ChannelGetPosition(0").empty()) << "code " << code;
    }
}

} // namespace
