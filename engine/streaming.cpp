// Streaming voices: the streaming thread decodes ahead into each voice's
// chunk queue without the state lock; streamingFeed, under the state lock,
// moves decoded chunks into OpenAL buffers and keeps the sources playing.
#include "engine/streaming.h"
#include "engine/engine_thread.h"

#include "engine/engine_internal.h"
#include "engine/streaming_owners.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <pthread.h>
#include <thread>
#include <vector>

namespace engine {

namespace {

// About 50 ms per buffer and at least 200 ms queued in OpenAL: the engine
// thread comes by every 10 ms, so a source never runs dry on a busy machine.
constexpr int DEFAULT_BUFFER_MS = 50;
constexpr int QUEUED_MS = 250;
constexpr int MIN_BUFFERS = 4;
// No real sound runs faster; a damaged header can claim any rate, and buffers
// sized from it would overflow or take gigabytes.
constexpr int MAX_SAMPLE_RATE = 768000;
constexpr auto DECODER_IDLE_WAIT = std::chrono::milliseconds(5);
constexpr auto NO_VOICE_WAIT = std::chrono::milliseconds(1000);

// One decoded buffer and where its frames lie in the source.
struct Chunk {
    std::vector<std::int16_t> pcm;
    long frames = 0;
    std::int64_t startFrame = 0;
    // Frames into the chunk where a loop went back to frame 0, or -1; the
    // source's length in that pass.
    long wrapAt = -1;
    std::int64_t passLength = 0;
    std::uint32_t mark = 0;
    bool last = false; // the source ended after this chunk
    std::uint64_t generation = 0;
};

// What is known of a buffer queued on the OpenAL source.
struct Queued {
    ALuint buffer = 0;
    long frames = 0;
    std::int64_t startFrame = 0;
    long wrapAt = -1;
    std::int64_t passLength = 0;
    std::uint32_t mark = 0;
    bool last = false;
};

std::int64_t frameWithin(const Queued& q, long offset) {
    if (q.wrapAt < 0 || offset < q.wrapAt)
        return q.startFrame + offset;
    const std::int64_t beyond = offset - q.wrapAt;
    return q.passLength > 0 ? beyond % q.passLength : beyond;
}

} // namespace

struct StreamingVoice {
    PcmSource source;
    ALuint alSource = 0;
    ALenum format = AL_NONE;
    int framesPerBuffer = 0;
    std::size_t bufferCount = 0;
    std::size_t chunksAhead = 0;

    // Under the state lock.
    VoiceState state = VoiceState::Stopped;
    std::vector<ALuint> freeBuffers;
    std::deque<Queued> queued;
    // Position and mark when nothing is queued.
    std::int64_t restFrame = 0;
    std::uint32_t restMark = 0;
    bool playedToEnd = false;

    // Held while a callback of the source runs; destroy takes it to wait for
    // the last one.
    std::mutex sourceMutex;
    bool dead = false;             // under sourceMutex
    std::int64_t readFrame = 0;    // under sourceMutex
    std::vector<std::int16_t> pcm; // scratch, under sourceMutex

    // Shared by the streaming thread and the state-lock side.
    std::mutex chunkMutex;
    std::deque<Chunk> chunks;
    std::uint64_t generation = 0;
    bool decoding = false; // chunks are wanted (playing or paused)
    bool seekPending = false;
    std::int64_t seekTarget = 0;
    bool loop = false;
    bool endDecoded = false; // the last chunk of this generation was made
};

namespace {

using VoicePtr = std::shared_ptr<StreamingVoice>;

// The live voices. Changed only under the state lock; the streaming thread
// reads it under registryMutex.
std::mutex registryMutex;
std::vector<VoicePtr> registry;

struct StreamingThread {
    std::thread worker;
    std::mutex wakeMutex;
    std::condition_variable wake;
    bool stopRequested = false;
    bool wakeRequested = false;

    ~StreamingThread() { stop(); }
    void start();
    void stop();
    void notify() {
        {
            std::lock_guard<std::mutex> lock(wakeMutex);
            wakeRequested = true;
        }
        wake.notify_one();
    }
};

StreamingThread& streamingThread() {
    static StreamingThread thread;
    return thread;
}

// Decodes one chunk when the voice wants one. Takes sourceMutex; true when a
// chunk was made.
bool decodeChunk(StreamingVoice& voice) {
    std::lock_guard<std::mutex> sourceLock(voice.sourceMutex);
    if (voice.dead)
        return false;
    std::uint64_t generation = 0;
    bool seek = false;
    std::int64_t target = 0;
    bool loop = false;
    {
        std::lock_guard<std::mutex> lock(voice.chunkMutex);
        if (!voice.decoding || voice.endDecoded || voice.chunks.size() >= voice.chunksAhead)
            return false;
        generation = voice.generation;
        seek = voice.seekPending;
        target = voice.seekTarget;
        voice.seekPending = false;
        loop = voice.loop;
    }
    const PcmSource& src = voice.source;
    if (seek) {
        if (!src.seek(src.context, target))
            target = 0;
        voice.readFrame = target;
    }
    Chunk chunk;
    chunk.generation = generation;
    chunk.startFrame = voice.readFrame;
    chunk.mark = src.mark != nullptr ? src.mark(src.context) : 0;
    const auto channels = static_cast<std::size_t>(src.channels);
    chunk.pcm.resize(static_cast<std::size_t>(voice.framesPerBuffer) * channels);
    long filled = 0;
    bool wrappedEmpty = false;
    while (filled < voice.framesPerBuffer) {
        const long got = src.read(src.context, chunk.pcm.data() + filled * channels,
                                  voice.framesPerBuffer - filled);
        if (got > 0) {
            filled += std::min(got, voice.framesPerBuffer - filled);
            voice.readFrame += got;
            wrappedEmpty = false;
            continue;
        }
        // The end: a looping voice reads on from frame 0 into the same
        // buffer, so the loop has no gap. A source that yields nothing even
        // from its start ends instead of spinning.
        if (loop && !wrappedEmpty && voice.readFrame > 0 && src.seek(src.context, 0)) {
            if (chunk.wrapAt < 0) {
                chunk.wrapAt = filled;
                chunk.passLength = voice.readFrame;
            }
            voice.readFrame = 0;
            wrappedEmpty = true;
            continue;
        }
        chunk.last = true;
        break;
    }
    chunk.frames = filled;
    chunk.pcm.resize(static_cast<std::size_t>(filled) * channels);
    std::lock_guard<std::mutex> lock(voice.chunkMutex);
    if (generation != voice.generation)
        return false;
    if (chunk.last)
        voice.endDecoded = true;
    if (chunk.frames > 0 || chunk.last)
        voice.chunks.push_back(std::move(chunk));
    return true;
}

void StreamingThread::start() {
    if (worker.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(wakeMutex);
        stopRequested = false;
    }
    worker = std::thread([this] {
        // Named, so that its share of the CPU can be told apart.
        pthread_setname_np(pthread_self(), "streaming");
        std::vector<VoicePtr> voices;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(wakeMutex);
                if (stopRequested)
                    return;
            }
            {
                std::lock_guard<std::mutex> lock(registryMutex);
                voices = registry;
            }
            bool made = false;
            for (const VoicePtr& voice : voices)
                made = decodeChunk(*voice) || made;
            const bool anyVoice = !voices.empty();
            voices.clear();
            if (made)
                continue;
            // With no voice at all there is nothing to poll for: a new voice
            // or a play wakes the thread.
            const auto idleWait = anyVoice ? DECODER_IDLE_WAIT : NO_VOICE_WAIT;
            std::unique_lock<std::mutex> lock(wakeMutex);
            wake.wait_for(lock, idleWait, [this] { return stopRequested || wakeRequested; });
            wakeRequested = false;
        }
    });
}

void StreamingThread::stop() {
    {
        std::lock_guard<std::mutex> lock(wakeMutex);
        stopRequested = true;
    }
    wake.notify_all();
    if (worker.joinable())
        worker.join();
}

ALenum formatFor(int channels) {
    switch (channels) {
    case 1:
        return AL_FORMAT_MONO16;
    case 2:
        return AL_FORMAT_STEREO16;
    case 4:
        return alGetEnumValue("AL_FORMAT_QUAD16");
    case 6:
        return alGetEnumValue("AL_FORMAT_51CHN16");
    case 7:
        return alGetEnumValue("AL_FORMAT_61CHN16");
    case 8:
        return alGetEnumValue("AL_FORMAT_71CHN16");
    default:
        return AL_NONE;
    }
}

// Drops everything queued and decoded; the voice reads next from frame.
void discardQueue(StreamingVoice& voice, std::int64_t frame, std::uint32_t mark, bool seek) {
    // Rewound rather than stopped: a source in its initial state reports
    // offset 0 into what is queued next, where a stopped one counts
    // everything as heard.
    alSourceRewind(voice.alSource);
    alSourcei(voice.alSource, AL_BUFFER, 0);
    for (const Queued& q : voice.queued)
        voice.freeBuffers.push_back(q.buffer);
    voice.queued.clear();
    voice.restFrame = frame;
    voice.restMark = mark;
    std::lock_guard<std::mutex> lock(voice.chunkMutex);
    voice.chunks.clear();
    ++voice.generation;
    voice.endDecoded = false;
    voice.seekPending = seek;
    voice.seekTarget = frame;
}

void setDecoding(StreamingVoice& voice, bool on) {
    {
        std::lock_guard<std::mutex> lock(voice.chunkMutex);
        voice.decoding = on;
    }
    if (on)
        streamingThread().notify();
}

// The heard frame and mark, from the OpenAL source's offset into its queue.
void heard(const StreamingVoice& voice, std::int64_t& frame, std::uint32_t& mark) {
    frame = voice.restFrame;
    mark = voice.restMark;
    if (voice.queued.empty())
        return;
    ALint alState = AL_INITIAL;
    alGetSourcei(voice.alSource, AL_SOURCE_STATE, &alState);
    if (alState == AL_STOPPED) {
        // Ran dry: everything queued has been heard.
        const Queued& q = voice.queued.back();
        frame = frameWithin(q, q.frames);
        mark = q.mark;
        return;
    }
    ALint offset = 0;
    alGetSourcei(voice.alSource, AL_SAMPLE_OFFSET, &offset);
    long left = std::max<ALint>(offset, 0);
    for (const Queued& q : voice.queued) {
        if (left < q.frames) {
            frame = frameWithin(q, left);
            mark = q.mark;
            return;
        }
        left -= q.frames;
    }
    const Queued& q = voice.queued.back();
    frame = frameWithin(q, q.frames);
    mark = q.mark;
}

void unqueueProcessed(StreamingVoice& voice) {
    ALint processed = 0;
    alGetSourcei(voice.alSource, AL_BUFFERS_PROCESSED, &processed);
    while (processed-- > 0 && !voice.queued.empty()) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(voice.alSource, 1, &buffer);
        const Queued q = voice.queued.front();
        voice.queued.pop_front();
        voice.freeBuffers.push_back(q.buffer);
        voice.restFrame = frameWithin(q, q.frames);
        voice.restMark = q.mark;
    }
}

// Moves decoded chunks into free buffers, decoding up to inlineBudget
// chunks itself when none is ready; true when the source has ended (its last
// chunk is queued).
bool queueChunks(StreamingVoice& voice, int inlineBudget) {
    bool ended = false;
    bool consumed = false;
    while (!voice.freeBuffers.empty()) {
        Chunk chunk;
        bool have = false;
        {
            std::lock_guard<std::mutex> lock(voice.chunkMutex);
            if (!voice.chunks.empty()) {
                chunk = std::move(voice.chunks.front());
                voice.chunks.pop_front();
                have = true;
            } else if (voice.endDecoded) {
                ended = true;
            }
        }
        if (!have) {
            if (ended || inlineBudget <= 0 || !decodeChunk(voice))
                break;
            --inlineBudget;
            continue;
        }
        consumed = true;
        if (chunk.frames > 0) {
            const ALuint buffer = voice.freeBuffers.back();
            alBufferData(buffer, voice.format, chunk.pcm.data(),
                         static_cast<ALsizei>(chunk.pcm.size() * sizeof(std::int16_t)),
                         voice.source.sampleRate);
            alSourceQueueBuffers(voice.alSource, 1, &buffer);
            voice.freeBuffers.pop_back();
            voice.queued.push_back(Queued{buffer, chunk.frames, chunk.startFrame, chunk.wrapAt,
                                          chunk.passLength, chunk.mark, chunk.last});
        }
        if (chunk.last) {
            ended = true;
            break;
        }
    }
    if (consumed)
        streamingThread().notify();
    return ended;
}

void feedVoice(StreamingVoice& voice) {
    if (voice.state == VoiceState::Stopped)
        return;
    unqueueProcessed(voice);
    // Rendered by a test, the output may run far faster than real time: the
    // feed decodes what is missing itself, so what is heard does not depend
    // on the streaming thread keeping up. In real time it decodes one chunk,
    // under the state lock, only for a sounding source about to run dry;
    // a voice that has just started waits for the streaming thread.
    int inlineBudget = 0;
    if (output().testDriven)
        inlineBudget = static_cast<int>(voice.bufferCount);
    else if (voice.queued.size() == 1)
        inlineBudget = 1;
    const bool ended = queueChunks(voice, inlineBudget);
    if (voice.state != VoiceState::Playing)
        return;
    ALint alState = AL_INITIAL;
    alGetSourcei(voice.alSource, AL_SOURCE_STATE, &alState);
    if (alState == AL_PLAYING)
        return;
    if (!voice.queued.empty()) {
        alSourcePlay(voice.alSource);
    } else if (ended) {
        voice.state = VoiceState::Stopped;
        voice.playedToEnd = true;
        setDecoding(voice, false);
    }
}

void restartAt(StreamingVoice& voice, std::int64_t frame, std::uint32_t mark) {
    discardQueue(voice, frame, mark, true);
    voice.playedToEnd = false;
}

} // namespace

StreamingVoice* streamingVoiceCreate(const PcmSource& source) {
    if (source.read == nullptr || source.seek == nullptr || source.sampleRate <= 0 ||
        source.sampleRate > MAX_SAMPLE_RATE)
        return nullptr;
    const ALenum format = formatFor(source.channels);
    if (format == AL_NONE || format == 0)
        return nullptr;
    auto voice = std::make_shared<StreamingVoice>();
    voice->source = source;
    voice->format = format;
    voice->framesPerBuffer = source.framesPerBuffer > 0
                                 ? source.framesPerBuffer
                                 : std::max(256, source.sampleRate * DEFAULT_BUFFER_MS / 1000);
    const long queuedFrames = static_cast<long>(source.sampleRate) * QUEUED_MS / 1000;
    voice->bufferCount = std::max<std::size_t>(
        MIN_BUFFERS, static_cast<std::size_t>(queuedFrames / voice->framesPerBuffer + 1));
    voice->chunksAhead = voice->bufferCount / 2 + 1;

    alGetError();
    alGenSources(1, &voice->alSource);
    if (alGetError() != AL_NO_ERROR)
        return nullptr;
    voice->freeBuffers.resize(voice->bufferCount);
    alGenBuffers(static_cast<ALsizei>(voice->bufferCount), voice->freeBuffers.data());
    if (alGetError() != AL_NO_ERROR) {
        alDeleteSources(1, &voice->alSource);
        return nullptr;
    }
    // Streams, modules and the CD play straight to the speakers: not placed
    // in space, not attenuated by distance.
    alSourcei(voice->alSource, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(voice->alSource, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSourcef(voice->alSource, AL_ROLLOFF_FACTOR, 0.0f);
    if (alIsExtensionPresent("AL_SOFT_direct_channels"))
        alSourcei(voice->alSource, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    alGetError();

    {
        std::lock_guard<std::mutex> lock(registryMutex);
        registry.push_back(voice);
    }
    streamingThread().start();
    streamingThread().notify();
    engineThreadWake();
    return voice.get();
}

void streamingVoiceDestroy(StreamingVoice* voice) {
    if (voice == nullptr)
        return;
    VoicePtr keep;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        const auto found = std::find_if(registry.begin(), registry.end(),
                                        [voice](const VoicePtr& v) { return v.get() == voice; });
        if (found == registry.end())
            return;
        keep = *found;
        registry.erase(found);
    }
    {
        std::lock_guard<std::mutex> sourceLock(voice->sourceMutex);
        voice->dead = true;
    }
    alSourceStop(voice->alSource);
    alSourcei(voice->alSource, AL_BUFFER, 0);
    alDeleteSources(1, &voice->alSource);
    for (const Queued& q : voice->queued)
        voice->freeBuffers.push_back(q.buffer);
    alDeleteBuffers(static_cast<ALsizei>(voice->freeBuffers.size()), voice->freeBuffers.data());
    alGetError();
}

void streamingVoicePlay(StreamingVoice* voice, bool loop, bool fromStart) {
    streamingVoiceSetLoop(voice, loop);
    switch (voice->state) {
    case VoiceState::Playing:
        if (fromStart)
            restartAt(*voice, 0, 0);
        break;
    case VoiceState::Paused:
        if (fromStart) {
            restartAt(*voice, 0, 0);
        } else if (!voice->queued.empty()) {
            alSourcePlay(voice->alSource);
        }
        break;
    case VoiceState::Stopped:
        if (fromStart || voice->playedToEnd)
            restartAt(*voice, 0, 0);
        else
            restartAt(*voice, voice->restFrame, voice->restMark);
        break;
    }
    voice->state = VoiceState::Playing;
    setDecoding(*voice, true);
}

void streamingVoicePause(StreamingVoice* voice) {
    if (voice->state != VoiceState::Playing)
        return;
    alSourcePause(voice->alSource);
    voice->state = VoiceState::Paused;
}

void streamingVoiceResume(StreamingVoice* voice) {
    if (voice->state != VoiceState::Paused)
        return;
    voice->state = VoiceState::Playing;
    if (!voice->queued.empty())
        alSourcePlay(voice->alSource);
}

void streamingVoiceStop(StreamingVoice* voice) {
    if (voice->state == VoiceState::Stopped)
        return;
    std::int64_t frame = 0;
    std::uint32_t mark = 0;
    heard(*voice, frame, mark);
    discardQueue(*voice, frame, mark, false);
    voice->state = VoiceState::Stopped;
    setDecoding(*voice, false);
}

void streamingVoiceSetLoop(StreamingVoice* voice, bool loop) {
    std::lock_guard<std::mutex> lock(voice->chunkMutex);
    voice->loop = loop;
}

bool streamingVoiceSetPosition(StreamingVoice* voice, std::int64_t frame, std::uint32_t mark) {
    if (frame < 0 || (voice->source.totalFrames >= 0 && frame > voice->source.totalFrames))
        return false;
    restartAt(*voice, frame, mark);
    if (voice->state == VoiceState::Stopped) {
        // Where the next play begins.
        std::lock_guard<std::mutex> lock(voice->chunkMutex);
        voice->seekPending = false;
    } else {
        setDecoding(*voice, true);
    }
    return true;
}

std::int64_t streamingVoicePosition(const StreamingVoice* voice) {
    std::int64_t frame = 0;
    std::uint32_t mark = 0;
    heard(*voice, frame, mark);
    return frame;
}

std::uint32_t streamingVoiceMark(const StreamingVoice* voice) {
    std::int64_t frame = 0;
    std::uint32_t mark = 0;
    heard(*voice, frame, mark);
    return mark;
}

void streamingVoiceSetGain(StreamingVoice* voice, float gain) {
    alSourcef(voice->alSource, AL_GAIN, std::max(gain, 0.0f));
}

void streamingVoiceSetPitch(StreamingVoice* voice, float pitch) {
    alSourcef(voice->alSource, AL_PITCH, std::max(pitch, 0.001f));
}

VoiceState streamingVoiceState(const StreamingVoice* voice) {
    return voice->state;
}

void streamingFeed() {
    for (const VoicePtr& voice : registry)
        feedVoice(*voice);
}

void streamingRefreshGains() {
    streamsRefreshGains();
    musicsRefreshGains();
}

void streamingReleaseAll() {
    streamsReleaseAll();
    musicsReleaseAll();
    bool empty = false;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        empty = registry.empty();
    }
    if (empty)
        streamingThread().stop();
}

bool streamingHasVoices() {
    std::lock_guard<std::mutex> lock(registryMutex);
    return !registry.empty();
}

void streamingCount(int& streams, int& musics) {
    streams = streamsCount();
    musics = musicsCount();
}

} // namespace engine
