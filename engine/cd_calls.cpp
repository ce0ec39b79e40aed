// The CD calls and the CD channel (handle 0): one track at a time, played
// through a streaming voice from whatever source BASS_CDInit found.
#include "engine/cd_source.h"
#include "engine/cd_track_reader.h"
#include "engine/engine_internal.h"
#include "engine/streaming.h"

using namespace engine;

namespace {

constexpr std::int32_t LEAVE_VALUE = -1;
constexpr std::int64_t MS_PER_SECOND = 1000;

struct CdState {
    bool open = false;
    CdDisc disc;
    // The track last played, its reader and its voice; none before a play.
    std::uint32_t track = 0;
    CdTrackReader* reader = nullptr;
    StreamingVoice* voice = nullptr;
    int rate = CD_RATE;
    float volumeGain = 1.0f;
};

CdState cd;

// The CD is stream-like audio, so the stream class volume applies to it.
float cdGain() {
    return cd.volumeGain * output().streamGain;
}

// Destroying the voice first guarantees no callback still reads the reader.
void dropTrack() {
    if (cd.voice != nullptr)
        streamingVoiceDestroy(cd.voice);
    cdTrackReaderClose(cd.reader);
    cd.voice = nullptr;
    cd.reader = nullptr;
    cd.track = 0;
}

void closeCd() {
    dropTrack();
    cdSourceRelease(cd.disc);
    cd.open = false;
}

const CdTrack* findTrack(std::uint32_t track) {
    if (!cd.open || track == 0 || track > cd.disc.tracks.size())
        return nullptr;
    return &cd.disc.tracks[track - 1];
}

int cdSetAttributes(EngineHandle, std::int32_t, std::int32_t volume, std::int32_t) {
    // A disc plays at its own rate and balance; only the volume applies.
    if (!cd.open)
        return 0;
    if (volume != LEAVE_VALUE) {
        cd.volumeGain = volumeToGain(volume);
        if (cd.voice != nullptr)
            streamingVoiceSetGain(cd.voice, cdGain());
    }
    return 1;
}

int cdPause(EngineHandle) {
    if (cd.voice == nullptr || streamingVoiceState(cd.voice) != VoiceState::Playing)
        return 0;
    streamingVoicePause(cd.voice);
    return 1;
}

int cdResume(EngineHandle) {
    if (cd.voice == nullptr || streamingVoiceState(cd.voice) != VoiceState::Paused)
        return 0;
    streamingVoiceResume(cd.voice);
    return 1;
}

int cdStop(EngineHandle) {
    if (cd.voice == nullptr)
        return 0;
    streamingVoiceStop(cd.voice);
    return 1;
}

int cdSetPosition(EngineHandle, std::uint32_t ms) {
    const CdTrack* track = findTrack(cd.track);
    if (cd.voice == nullptr || track == nullptr || ms > track->lengthMs)
        return 0;
    const std::int64_t frame = std::int64_t{ms} * cd.rate / MS_PER_SECOND;
    return streamingVoiceSetPosition(cd.voice, frame) ? 1 : 0;
}

std::uint32_t cdGetPosition(EngineHandle) {
    if (cd.voice == nullptr)
        return ENGINE_ERROR;
    return cdFramesToMs(streamingVoicePosition(cd.voice), cd.rate);
}

} // namespace

namespace engine {

const ChannelOps cdChannelOps{cdSetAttributes, cdPause,       cdResume,
                              cdStop,          cdSetPosition, cdGetPosition};

void cdRefreshGain() {
    if (cd.voice != nullptr)
        streamingVoiceSetGain(cd.voice, cdGain());
}

void cdReleaseAll() {
    closeCd();
    cd = CdState{};
}

} // namespace engine

int BASS_CDInit(const char* drive) {
    Guard guard(stateMutex());
    if (!output().initialised)
        return 0;
    // Opening again keeps the disc and whatever plays from it.
    if (cd.open)
        return 1;
    if (!cdSourceFind(drive, cd.disc))
        return 0;
    cd.open = true;
    return 1;
}

int BASS_CDFree() {
    Guard guard(stateMutex());
    if (!cd.open)
        return 0;
    closeCd();
    return 1;
}

std::uint32_t BASS_CDGetTracks() {
    Guard guard(stateMutex());
    if (!cd.open)
        return ENGINE_ERROR;
    return static_cast<std::uint32_t>(cd.disc.tracks.size());
}

std::uint32_t BASS_CDGetTrackLength(std::uint32_t track) {
    Guard guard(stateMutex());
    const CdTrack* found = findTrack(track);
    return found != nullptr ? found->lengthMs : ENGINE_ERROR;
}

int BASS_CDPlay(std::uint32_t track, bool loop, bool) {
    Guard guard(stateMutex());
    const CdTrack* found = findTrack(track);
    if (found == nullptr || found->origin == CdTrackOrigin::Data)
        return 0;
    CdTrackReader* reader = cdTrackReaderOpen(*found, cd.disc.drive);
    if (reader == nullptr)
        return 0;
    // Only one track sounds at a time, and the drive reads one at a time.
    dropTrack();
    cd.reader = reader;
    const PcmSource source = cdTrackReaderSource(cd.reader);
    cd.voice = streamingVoiceCreate(source);
    if (cd.voice == nullptr) {
        dropTrack();
        return 0;
    }
    cd.track = track;
    cd.rate = source.sampleRate;
    streamingVoiceSetGain(cd.voice, cdGain());
    streamingVoicePlay(cd.voice, loop, true);
    return 1;
}
