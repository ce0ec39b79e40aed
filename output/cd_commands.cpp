#include "output/cd_commands.h"

#include "engine/engine.h"
#include "link/command_block.h"
#include "link/reply_block.h"

namespace {

constexpr EngineHandle CD_CHANNEL = 0;
constexpr std::int32_t LEAVE_VALUE = -1;
// The client counts in seconds, the engine in thousandths.
constexpr std::uint32_t MS_PER_SECOND = 1000;

void replySeconds(std::uint32_t milliseconds) {
    putReply32(REPLY_ANSWER_OFFSET, milliseconds / MS_PER_SECOND);
    writeReply();
}

} // namespace

void commandOpenCd() {
    BASS_CDInit(nullptr);
}

void commandCloseCd() {
    BASS_CDFree();
}

void commandGetCdTrackCount() {
    putReply16(REPLY_ANSWER_OFFSET, BASS_CDGetTracks());
    writeReply();
}

void commandGetCdTrackLength() {
    replySeconds(BASS_CDGetTrackLength(word16At(2)));
}

void commandPlayCdTrack() {
    const std::uint32_t track = word16At(2);
    const bool loop = word16At(4) != 0;
    BASS_CDPlay(track, loop, false);
}

void cdSetVolume() {
    BASS_ChannelSetAttributes(CD_CHANNEL, LEAVE_VALUE, static_cast<std::int32_t>(word16At(6)),
                              LEAVE_VALUE);
}

void cdPause() {
    BASS_ChannelPause(CD_CHANNEL);
}

void cdResume() {
    BASS_ChannelResume(CD_CHANNEL);
}

void cdStop() {
    BASS_ChannelStop(CD_CHANNEL);
}

// Wraps modulo 2^32 above 4,294,967 seconds, as 32-bit arithmetic does.
void cdSetPosition() {
    BASS_ChannelSetPosition(CD_CHANNEL, value24At(4) * MS_PER_SECOND);
}

void cdGetPosition() {
    replySeconds(BASS_ChannelGetPosition(CD_CHANNEL));
}
