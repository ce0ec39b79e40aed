// Samples: loading, their defaults, stopping and freeing them.
#include "engine/file_names.h"
#include "engine/sample_decode.h"
#include "engine/sample_store.h"
#include "engine/three_d.h"

#include <algorithm>
#include <optional>

using namespace engine;

namespace {

constexpr std::uint32_t MAX_PLAYBACKS = 65535;
constexpr std::uint32_t MIN_FREQUENCY = 100;
constexpr std::uint32_t MAX_FREQUENCY = 100000;
constexpr std::uint32_t FULL_VOLUME = 100;
constexpr std::int32_t PAN_LIMIT = 100;
constexpr float DEFAULT_MIN_DISTANCE = 1.0f;
// Beyond any distance a client's world uses: the sound keeps falling.
constexpr float DEFAULT_MAX_DISTANCE = 1.0e9f;

std::unordered_map<EngineHandle, SampleRecord> samples;

ALenum monoFormat(bool eightBit) {
    return eightBit ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
}

void deleteBuffers(SampleRecord& record) {
    for (std::size_t k = 0; k < record.planes; ++k)
        alDeleteBuffers(1, &record.buffers[k]);
    record.planes = 0;
}

// Hands the decoded planes to OpenAL; false leaves no buffer behind.
bool makeBuffers(SampleRecord& record, const DecodedSample& sound) {
    alGetError();
    for (std::size_t k = 0; k < sound.planes.size(); ++k) {
        ALuint buffer = 0;
        alGenBuffers(1, &buffer);
        if (alGetError() != AL_NO_ERROR) {
            deleteBuffers(record);
            return false;
        }
        record.buffers[k] = buffer;
        record.planes = k + 1;
        const auto& plane = sound.planes[k];
        alBufferData(buffer, monoFormat(sound.eightBit), plane.data(),
                     static_cast<ALsizei>(plane.size()), sound.rate);
        if (alGetError() != AL_NO_ERROR) {
            deleteBuffers(record);
            return false;
        }
    }
    return true;
}

// The decoded sound only lives until OpenAL has copied it; one record kept
// across loads (under the state lock) is refilled every time.
const DecodedSample* decodeFor(bool fromMemory, const void* file, std::uint32_t offset,
                               std::uint32_t length, std::uint32_t flags) {
    static DecodedSample scratch;
    const bool eightBit = (flags & SAMPLE_8BITS) != 0;
    const bool mono = (flags & (SAMPLE_MONO | SAMPLE_3D)) != 0;
    if (file == nullptr)
        return nullptr;
    bool decoded = false;
    if (fromMemory) {
        decoded = decodeSampleMemory(static_cast<const unsigned char*>(file) + offset, length,
                                     eightBit, mono, scratch);
    } else {
        const auto path = resolveClientFileName(static_cast<const char*>(file));
        decoded = path && decodeSampleFile(*path, eightBit, mono, scratch);
    }
    return decoded ? &scratch : nullptr;
}

} // namespace

namespace engine {

std::unordered_map<EngineHandle, SampleRecord>& sampleRecords() {
    return samples;
}

SampleRecord* findSample(EngineHandle sample) {
    if (handleKind(sample) != HandleKind::Sample)
        return nullptr;
    auto found = samples.find(sample);
    return found == samples.end() ? nullptr : &found->second;
}

void samplesReleaseAll() {
    for (auto& [handle, record] : samples)
        sampleEndChannels(record);
    sampleSourcesReleaseAll();
    for (auto& [handle, record] : samples)
        deleteBuffers(record);
    samples.clear();
    threeDReset();
}

} // namespace engine

EngineHandle BASS_SampleLoad(bool fromMemory, const void* file, std::uint32_t offset,
                             std::uint32_t length, std::uint32_t max, std::uint32_t flags) {
    Guard guard(stateMutex());
    if (!output().initialised || max < 1 || max > MAX_PLAYBACKS)
        return 0;
    const DecodedSample* sound = decodeFor(fromMemory, file, offset, length, flags);
    if (!sound)
        return 0;
    SampleRecord record;
    if (!makeBuffers(record, *sound))
        return 0;
    record.rate = sound->rate;
    record.frames = sound->frames;
    const std::uint32_t bytesPerSample = sound->eightBit ? 1 : 2;
    record.bytesPerFrame = bytesPerSample * static_cast<std::uint32_t>(sound->channels);
    BASS_SAMPLE& info = record.info;
    info.freq = static_cast<std::uint32_t>(sound->rate);
    info.volume = FULL_VOLUME;
    info.pan = 0;
    info.flags = flags;
    info.length = record.frames * record.bytesPerFrame;
    info.max = max;
    info.chans = static_cast<std::uint32_t>(sound->channels);
    info.bits = 8 * bytesPerSample;
    info.minDistance = DEFAULT_MIN_DISTANCE;
    info.maxDistance = DEFAULT_MAX_DISTANCE;
    const EngineHandle handle = newHandle(HandleKind::Sample);
    samples.emplace(handle, std::move(record));
    return handle;
}

int BASS_SampleGetInfo(EngineHandle sample, BASS_SAMPLE* info) {
    Guard guard(stateMutex());
    const SampleRecord* record = findSample(sample);
    if (record == nullptr || info == nullptr)
        return 0;
    *info = record->info;
    return 1;
}

// What a client may change: the defaults of new plays, the number of
// channels at once, and the 3D distances. The description of the decoded
// sound stays as it is.
int BASS_SampleSetInfo(EngineHandle sample, const BASS_SAMPLE* info) {
    Guard guard(stateMutex());
    SampleRecord* record = findSample(sample);
    if (record == nullptr || info == nullptr)
        return 0;
    BASS_SAMPLE& kept = record->info;
    kept.freq = info->freq == 0 ? static_cast<std::uint32_t>(record->rate)
                                : std::clamp(info->freq, MIN_FREQUENCY, MAX_FREQUENCY);
    kept.volume = std::min(info->volume, FULL_VOLUME);
    kept.pan = std::clamp(info->pan, -PAN_LIMIT, PAN_LIMIT);
    kept.flags = info->flags;
    if (info->max >= 1 && info->max <= MAX_PLAYBACKS)
        kept.max = info->max;
    if (info->minDistance > 0.0f && info->minDistance < DEFAULT_MAX_DISTANCE)
        kept.minDistance = info->minDistance;
    if (info->maxDistance >= kept.minDistance && info->maxDistance <= DEFAULT_MAX_DISTANCE)
        kept.maxDistance = info->maxDistance;
    return 1;
}

int BASS_SampleStop(EngineHandle sample) {
    Guard guard(stateMutex());
    SampleRecord* record = findSample(sample);
    if (record == nullptr)
        return 0;
    sampleEndChannels(*record);
    return 1;
}

int BASS_SampleFree(EngineHandle sample) {
    Guard guard(stateMutex());
    SampleRecord* record = findSample(sample);
    if (record == nullptr)
        return 0;
    sampleEndChannels(*record);
    deleteBuffers(*record);
    samples.erase(sample);
    return 1;
}
