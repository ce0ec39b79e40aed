// Playing a sample: one new channel per play, taking over a busy one when
// the sample's flags say so.
#include "engine/sample_channels.h"
#include "engine/sample_sources.h"
#include "engine/three_d.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace engine;

namespace {

// Room for the balance law's make-up gain on top of full volume.
constexpr float SOURCE_MAX_GAIN = 4.0f;
constexpr std::int32_t DEFAULT_REQUEST = -1;

struct PlayRequest {
    std::uint32_t start = 0;
    std::int32_t frequency = DEFAULT_REQUEST;
    std::int32_t volume = DEFAULT_REQUEST;
    std::int32_t pan = -101;
    bool loop = false;
    bool threeD = false;
    BASS_3DVECTOR position{};
    BASS_3DVECTOR orientation{};
    BASS_3DVECTOR velocity{};
};

float distanceTo(const BASS_3DVECTOR& a, const BASS_3DVECTOR& b) {
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    const float dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

float listenerDistance(const ChannelRecord& channel) {
    return channel.threeD ? distanceTo(channel.position, threeDCommitted().position) : 0.0f;
}

// How loud the channel is heard, as the inverse-distance law gives it.
float audibleLevel(const ChannelRecord& channel, const SampleRecord& sample) {
    if (!channel.threeD)
        return channel.volumeGain;
    const float reference = sample.info.minDistance;
    const float distance = std::clamp(listenerDistance(channel), reference,
                                      std::max(reference, sample.info.maxDistance));
    const float denominator = reference + threeDCommitted().rolloffFactor * (distance - reference);
    return denominator > 0.0f ? channel.volumeGain * reference / denominator : channel.volumeGain;
}

void pruneEnded(SampleRecord& sample) {
    const std::vector<EngineHandle> playing = sample.channels;
    for (EngineHandle handle : playing)
        liveChannel(handle);
}

// The channel to take over when all of the sample's channels are busy, or 0
// when its flags take over none. Ties go to the channel that started first.
EngineHandle channelToTakeOver(const SampleRecord& sample) {
    const std::uint32_t rule = sample.info.flags & SAMPLE_OVER_MASK;
    if (rule == 0 || sample.channels.empty())
        return 0;
    if (rule == SAMPLE_OVER_POS)
        return sample.channels.front();
    EngineHandle chosen = 0;
    float best = 0.0f;
    for (EngineHandle handle : sample.channels) {
        const ChannelRecord& channel = channelRecords().at(handle);
        const float score =
            rule == SAMPLE_OVER_VOL ? -audibleLevel(channel, sample) : listenerDistance(channel);
        if (chosen == 0 || score > best) {
            chosen = handle;
            best = score;
        }
    }
    return chosen;
}

bool takeSources(ChannelRecord& channel, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        ALuint source = sampleSourceTake();
        if (source == 0) {
            // Channels that ended since the last round give theirs back.
            samplesReap();
            source = sampleSourceTake();
        }
        if (source == 0) {
            for (std::size_t j = 0; j < k; ++j)
                sampleSourceGive(channel.sources[j]);
            return false;
        }
        channel.sources[k] = source;
    }
    channel.sourceCount = count;
    return true;
}

void setVector(ALuint source, ALenum parameter, const BASS_3DVECTOR& vector) {
    float values[3];
    toOpenAl(vector, values);
    alSourcefv(source, parameter, values);
}

void configureSource(ALuint source, ALuint buffer, const PlayRequest& request,
                     const SampleRecord& sample, std::uint32_t startFrame) {
    const OutputState& out = output();
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
    alSourcei(source, AL_LOOPING, request.loop ? AL_TRUE : AL_FALSE);
    alSourcef(source, AL_MIN_GAIN, 0.0f);
    alSourcef(source, AL_MAX_GAIN, SOURCE_MAX_GAIN);
    if (request.threeD) {
        alSourcei(source, AL_SOURCE_RELATIVE, AL_FALSE);
        setVector(source, AL_POSITION, request.position);
        setVector(source, AL_VELOCITY, request.velocity);
        setVector(source, AL_DIRECTION, request.orientation);
        alSourcef(source, AL_REFERENCE_DISTANCE, sample.info.minDistance);
        alSourcef(source, AL_MAX_DISTANCE, sample.info.maxDistance);
        alSourcef(source, AL_ROLLOFF_FACTOR, threeDCommitted().rolloffFactor);
    } else {
        // Plain channels sit around the listener's head at a fixed distance:
        // neither the 3D listener nor doppler reaches them.
        alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(source, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
        alSource3f(source, AL_DIRECTION, 0.0f, 0.0f, 0.0f);
        alSourcef(source, AL_REFERENCE_DISTANCE, 1.0f);
        alSourcef(source, AL_MAX_DISTANCE, std::numeric_limits<float>::max());
        alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    }
    if (out.hasEfx) {
        const ALuint slot = request.threeD ? reverbSendSlot() : AL_EFFECTSLOT_NULL;
        alSource3i(source, AL_AUXILIARY_SEND_FILTER, static_cast<ALint>(slot), 0, AL_FILTER_NULL);
    }
    alSourcei(source, AL_SAMPLE_OFFSET, static_cast<ALint>(startFrame));
}

EngineHandle play(EngineHandle sampleHandle, const PlayRequest& request) {
    if (!output().initialised)
        return 0;
    SampleRecord* sample = findSample(sampleHandle);
    if (sample == nullptr || sample->bytesPerFrame == 0)
        return 0;
    const std::uint32_t startFrame = request.start / sample->bytesPerFrame;
    if (startFrame >= sample->frames)
        return 0;
    if (sample->channels.size() >= sample->info.max)
        pruneEnded(*sample);
    if (sample->channels.size() >= sample->info.max) {
        const EngineHandle victim = channelToTakeOver(*sample);
        if (victim == 0)
            return 0;
        channelEnd(victim);
    }

    ChannelRecord channel;
    channel.sample = sampleHandle;
    channel.threeD = request.threeD;
    channel.position = request.position;
    channel.frequency =
        resolveFrequency(request.frequency, static_cast<std::int32_t>(sample->info.freq), *sample);
    channel.volumeGain =
        resolveVolume(request.volume, volumeToGain(static_cast<std::int32_t>(sample->info.volume)));
    channel.pan = resolvePan(request.pan, sample->info.pan);
    if (!takeSources(channel, sample->planes))
        return 0;

    alGetError();
    for (std::size_t k = 0; k < channel.sourceCount; ++k)
        configureSource(channel.sources[k], sample->buffers[k], request, *sample, startFrame);
    channelApplyFrequency(channel, *sample);
    channelApplyPan(channel);
    channelApplyGains(channel);
    alSourcePlayv(static_cast<ALsizei>(channel.sourceCount), channel.sources.data());
    if (alGetError() != AL_NO_ERROR) {
        for (std::size_t k = 0; k < channel.sourceCount; ++k)
            sampleSourceGive(channel.sources[k]);
        return 0;
    }
    const EngineHandle handle = newHandle(HandleKind::Channel);
    channelRecords().emplace(handle, channel);
    sample->channels.push_back(handle);
    return handle;
}

bool finite(const BASS_3DVECTOR* vector) {
    return vector == nullptr ||
           (std::isfinite(vector->x) && std::isfinite(vector->y) && std::isfinite(vector->z));
}

} // namespace

// A play says for itself whether it loops; the sample's loop flag is only
// the default a client reads back.
EngineHandle BASS_SamplePlayEx(EngineHandle sample, std::uint32_t start, std::int32_t frequency,
                               std::int32_t volume, std::int32_t pan, bool loop) {
    Guard guard(stateMutex());
    PlayRequest request;
    request.start = start;
    request.frequency = frequency;
    request.volume = volume;
    request.pan = pan;
    request.loop = loop;
    return play(sample, request);
}

EngineHandle BASS_SamplePlay3DEx(EngineHandle sample, const BASS_3DVECTOR* position,
                                 const BASS_3DVECTOR* orientation, const BASS_3DVECTOR* velocity,
                                 std::uint32_t start, std::int32_t frequency, std::int32_t volume,
                                 bool loop) {
    Guard guard(stateMutex());
    PlayRequest request;
    request.start = start;
    request.frequency = frequency;
    request.volume = volume;
    request.loop = loop;
    request.threeD = true;
    // OpenAL takes no infinite or NaN coordinate; such a play has no place.
    if (!finite(position) || !finite(orientation) || !finite(velocity))
        return 0;
    if (position != nullptr)
        request.position = *position;
    if (orientation != nullptr)
        request.orientation = *orientation;
    if (velocity != nullptr)
        request.velocity = *velocity;
    return play(sample, request);
}
