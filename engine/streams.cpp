// Streams: a sound file decoded by libsndfile as it plays, from a file or
// from a block of the client's memory, on a streaming voice. Lengths and
// positions are bytes of 16-bit PCM in the file's channel count.
#include "engine/engine_internal.h"
#include "engine/file_names.h"
#include "engine/sndfile_decoder.h"
#include "engine/streaming.h"
#include "engine/streaming_owners.h"

#include <algorithm>
#include <map>

using namespace engine;

namespace {

struct Stream {
    SndfileDecoder* decoder = nullptr;
    StreamingVoice* voice = nullptr;
    int channels = 1;
    int sampleRate = 44100;
    std::int64_t totalFrames = 0;
    float gain = 1.0f; // the stream's own volume
};

std::map<EngineHandle, Stream>& streams() {
    static std::map<EngineHandle, Stream> table;
    return table;
}

Stream* findStream(EngineHandle handle) {
    const auto found = streams().find(handle);
    return found == streams().end() ? nullptr : &found->second;
}

std::uint32_t bytesPerFrame(const Stream& s) {
    return static_cast<std::uint32_t>(s.channels) * 2;
}

std::uint32_t framesToBytes(const Stream& s, std::int64_t frames) {
    // libsndfile gives a file of unknown length the largest count there is:
    // clamped before the product can overflow.
    const std::int64_t most = std::int64_t{ENGINE_ERROR} / bytesPerFrame(s) + 1;
    const std::int64_t bytes = std::clamp<std::int64_t>(frames, 0, most) * bytesPerFrame(s);
    // ENGINE_ERROR is the failure answer, so no length or position is it.
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(bytes, 0, ENGINE_ERROR - 1));
}

void applyGain(const Stream& s) {
    streamingVoiceSetGain(s.voice, s.gain * output().streamGain);
}

void releaseStream(Stream& s) {
    streamingVoiceDestroy(s.voice);
    sndfileClose(s.decoder);
}

constexpr std::int32_t MIN_FREQUENCY = 100;
constexpr std::int32_t MAX_FREQUENCY = 100000;

int streamSetAttributes(EngineHandle handle, std::int32_t frequency, std::int32_t volume,
                        std::int32_t) {
    Stream* s = findStream(handle);
    if (s == nullptr)
        return 0;
    if (volume != -1) {
        s->gain = volumeToGain(volume);
        applyGain(*s);
    }
    if (frequency != -1) {
        const float pitch =
            frequency == 0
                ? 1.0f
                : static_cast<float>(std::clamp(frequency, MIN_FREQUENCY, MAX_FREQUENCY)) /
                      static_cast<float>(s->sampleRate);
        streamingVoiceSetPitch(s->voice, pitch);
    }
    return 1;
}

int streamPause(EngineHandle handle) {
    Stream* s = findStream(handle);
    if (s == nullptr || streamingVoiceState(s->voice) != VoiceState::Playing)
        return 0;
    streamingVoicePause(s->voice);
    return 1;
}

int streamResume(EngineHandle handle) {
    Stream* s = findStream(handle);
    if (s == nullptr || streamingVoiceState(s->voice) != VoiceState::Paused)
        return 0;
    streamingVoiceResume(s->voice);
    return 1;
}

int streamStop(EngineHandle handle) {
    Stream* s = findStream(handle);
    if (s == nullptr)
        return 0;
    streamingVoiceStop(s->voice);
    return 1;
}

int streamSetPosition(EngineHandle handle, std::uint32_t position) {
    Stream* s = findStream(handle);
    if (s == nullptr)
        return 0;
    return streamingVoiceSetPosition(s->voice, position / bytesPerFrame(*s)) ? 1 : 0;
}

std::uint32_t streamGetPosition(EngineHandle handle) {
    const Stream* s = findStream(handle);
    if (s == nullptr)
        return ENGINE_ERROR;
    return framesToBytes(*s, streamingVoicePosition(s->voice));
}

} // namespace

namespace engine {

const ChannelOps streamChannelOps{streamSetAttributes, streamPause,       streamResume,
                                  streamStop,          streamSetPosition, streamGetPosition};

void streamsRefreshGains() {
    for (const auto& [handle, s] : streams())
        applyGain(s);
}

void streamsReleaseAll() {
    for (auto& [handle, s] : streams())
        releaseStream(s);
    streams().clear();
}

int streamsCount() {
    return static_cast<int>(streams().size());
}

} // namespace engine

// The offset and length select a part of a memory block; a file is read
// whole, so for a file both must be 0. Flags other than the loop bit (given
// again at play) change nothing: libsndfile always seeks exactly.
EngineHandle BASS_StreamCreateFile(bool fromMemory, const void* file, std::uint32_t offset,
                                   std::uint32_t length, std::uint32_t) {
    Guard guard(stateMutex());
    if (!output().initialised || file == nullptr)
        return 0;
    SndfileDecoder* decoder = nullptr;
    if (fromMemory) {
        decoder = sndfileOpenMemory(static_cast<const unsigned char*>(file) + offset, length);
    } else if (offset == 0 && length == 0) {
        if (const auto path = resolveClientFileName(static_cast<const char*>(file)))
            decoder = sndfileOpenFile(*path);
    }
    if (decoder == nullptr)
        return 0;
    const PcmSource source = sndfileSource(decoder);
    StreamingVoice* voice = streamingVoiceCreate(source);
    if (voice == nullptr) {
        sndfileClose(decoder);
        return 0;
    }
    const EngineHandle handle = newHandle(HandleKind::Stream);
    Stream& s = streams()[handle];
    s = Stream{decoder, voice, source.channels, source.sampleRate, source.totalFrames, 1.0f};
    applyGain(s);
    return handle;
}

std::uint32_t BASS_StreamGetLength(EngineHandle stream) {
    Guard guard(stateMutex());
    const Stream* s = findStream(stream);
    return s == nullptr ? ENGINE_ERROR : framesToBytes(*s, s->totalFrames);
}

int BASS_StreamPlay(EngineHandle stream, bool flush, std::uint32_t flags) {
    Guard guard(stateMutex());
    Stream* s = findStream(stream);
    if (s == nullptr)
        return 0;
    streamingVoicePlay(s->voice, (flags & STREAM_LOOP) != 0, flush);
    return 1;
}

int BASS_StreamFree(EngineHandle stream) {
    Guard guard(stateMutex());
    const auto found = streams().find(stream);
    if (found == streams().end())
        return 0;
    releaseStream(found->second);
    streams().erase(found);
    return 1;
}
