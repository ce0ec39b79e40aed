// Sample channels once they play: their attributes, the channel calls on
// them, and giving their sources back when they end.
#include "engine/sample_channels.h"

#include "engine/pan_law.h"
#include "engine/sample_sources.h"

#include <algorithm>
#include <vector>

using namespace engine;

namespace {

constexpr std::int32_t MIN_FREQUENCY = 100;
constexpr std::int32_t MAX_FREQUENCY = 100000;
constexpr std::int32_t LEAVE = -1;
constexpr std::int32_t LEAVE_PAN = -101;
constexpr std::int32_t PAN_LIMIT = 100;
// Two sources at one 3D point carry a stereo sound as its mono mix would.
constexpr float STEREO_IN_3D_GAIN = 0.5f;

std::unordered_map<EngineHandle, ChannelRecord> channels;

bool sourcesEnded(const ChannelRecord& channel) {
    for (std::size_t k = 0; k < channel.sourceCount; ++k) {
        ALint state = AL_STOPPED;
        alGetSourcei(channel.sources[k], AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING || state == AL_PAUSED)
            return false;
    }
    return true;
}

int setAttributes(EngineHandle handle, std::int32_t frequency, std::int32_t volume,
                  std::int32_t pan) {
    ChannelRecord* channel = liveChannel(handle);
    if (channel == nullptr)
        return 0;
    const SampleRecord* sample = findSample(channel->sample);
    if (sample == nullptr)
        return 0;
    channel->frequency = resolveFrequency(frequency, channel->frequency, *sample);
    channel->volumeGain = resolveVolume(volume, channel->volumeGain);
    channel->pan = resolvePan(pan, channel->pan);
    channelApplyFrequency(*channel, *sample);
    channelApplyPan(*channel);
    channelApplyGains(*channel);
    return 1;
}

int pause(EngineHandle handle) {
    ChannelRecord* channel = liveChannel(handle);
    if (channel == nullptr)
        return 0;
    alSourcePausev(static_cast<ALsizei>(channel->sourceCount), channel->sources.data());
    channel->paused = true;
    return 1;
}

int resume(EngineHandle handle) {
    ChannelRecord* channel = liveChannel(handle);
    if (channel == nullptr)
        return 0;
    if (channel->paused)
        alSourcePlayv(static_cast<ALsizei>(channel->sourceCount), channel->sources.data());
    channel->paused = false;
    return 1;
}

int stop(EngineHandle handle) {
    if (liveChannel(handle) == nullptr)
        return 0;
    channelEnd(handle);
    return 1;
}

int setPosition(EngineHandle handle, std::uint32_t position) {
    ChannelRecord* channel = liveChannel(handle);
    if (channel == nullptr)
        return 0;
    const SampleRecord* sample = findSample(channel->sample);
    if (sample == nullptr || sample->bytesPerFrame == 0)
        return 0;
    const std::uint32_t frame = position / sample->bytesPerFrame;
    if (frame >= sample->frames)
        return 0;
    // Both sides of a stereo sound move in one step: paused together, placed,
    // started together.
    const auto count = static_cast<ALsizei>(channel->sourceCount);
    if (!channel->paused)
        alSourcePausev(count, channel->sources.data());
    for (std::size_t k = 0; k < channel->sourceCount; ++k)
        alSourcei(channel->sources[k], AL_SAMPLE_OFFSET, static_cast<ALint>(frame));
    if (!channel->paused)
        alSourcePlayv(count, channel->sources.data());
    return 1;
}

std::uint32_t getPosition(EngineHandle handle) {
    ChannelRecord* channel = liveChannel(handle);
    if (channel == nullptr)
        return ENGINE_ERROR;
    const SampleRecord* sample = findSample(channel->sample);
    if (sample == nullptr)
        return ENGINE_ERROR;
    ALint frame = 0;
    alGetSourcei(channel->sources[0], AL_SAMPLE_OFFSET, &frame);
    return static_cast<std::uint32_t>(std::max(frame, 0)) * sample->bytesPerFrame;
}

} // namespace

namespace engine {

const ChannelOps sampleChannelOps{setAttributes, pause, resume, stop, setPosition, getPosition};

std::unordered_map<EngineHandle, ChannelRecord>& channelRecords() {
    return channels;
}

std::int32_t resolveFrequency(std::int32_t requested, std::int32_t current,
                              const SampleRecord& sample) {
    if (requested == LEAVE)
        return current;
    if (requested == 0)
        return sample.rate;
    return std::clamp(requested, MIN_FREQUENCY, MAX_FREQUENCY);
}

float resolveVolume(std::int32_t requested, float current) {
    return requested == LEAVE ? current : volumeToGain(requested);
}

std::int32_t resolvePan(std::int32_t requested, std::int32_t current) {
    return requested == LEAVE_PAN ? current : std::clamp(requested, -PAN_LIMIT, PAN_LIMIT);
}

void channelApplyGains(const ChannelRecord& channel) {
    const float gain = channel.volumeGain * output().sampleGain;
    if (channel.threeD) {
        const float share = channel.sourceCount == 2 ? STEREO_IN_3D_GAIN : 1.0f;
        for (std::size_t k = 0; k < channel.sourceCount; ++k)
            alSourcef(channel.sources[k], AL_GAIN, gain * share);
    } else if (channel.sourceCount == 1) {
        alSourcef(channel.sources[0], AL_GAIN, gain * panPlacement(channel.pan).gain);
    } else {
        const float hard = panPlacement(PAN_LIMIT).gain;
        alSourcef(channel.sources[0], AL_GAIN, gain * hard * balanceLeft(channel.pan));
        alSourcef(channel.sources[1], AL_GAIN, gain * hard * balanceRight(channel.pan));
    }
}

void channelApplyPan(const ChannelRecord& channel) {
    if (channel.threeD)
        return;
    if (channel.sourceCount == 1) {
        const PanPlacement place = panPlacement(channel.pan);
        alSource3f(channel.sources[0], AL_POSITION, place.x, 0.0f, place.z);
        return;
    }
    const PanPlacement left = panPlacement(-PAN_LIMIT);
    const PanPlacement right = panPlacement(PAN_LIMIT);
    alSource3f(channel.sources[0], AL_POSITION, left.x, 0.0f, left.z);
    alSource3f(channel.sources[1], AL_POSITION, right.x, 0.0f, right.z);
}

void channelApplyFrequency(const ChannelRecord& channel, const SampleRecord& sample) {
    const float pitch = static_cast<float>(channel.frequency) / static_cast<float>(sample.rate);
    for (std::size_t k = 0; k < channel.sourceCount; ++k)
        alSourcef(channel.sources[k], AL_PITCH, pitch);
}

ChannelRecord* liveChannel(EngineHandle handle) {
    if (handleKind(handle) != HandleKind::Channel)
        return nullptr;
    auto found = channels.find(handle);
    if (found == channels.end())
        return nullptr;
    if (!found->second.paused && sourcesEnded(found->second)) {
        channelEnd(handle);
        return nullptr;
    }
    return &found->second;
}

void channelEnd(EngineHandle handle) {
    auto found = channels.find(handle);
    if (found == channels.end())
        return;
    ChannelRecord& channel = found->second;
    for (std::size_t k = 0; k < channel.sourceCount; ++k)
        sampleSourceGive(channel.sources[k]);
    if (SampleRecord* sample = findSample(channel.sample))
        std::erase(sample->channels, handle);
    channels.erase(found);
}

void sampleEndChannels(SampleRecord& sample) {
    const std::vector<EngineHandle> playing = sample.channels;
    for (EngineHandle handle : playing)
        channelEnd(handle);
}

void sampleSourcesReleaseAll() {
    std::vector<EngineHandle> all;
    all.reserve(channels.size());
    for (const auto& [handle, channel] : channels)
        all.push_back(handle);
    for (EngineHandle handle : all)
        channelEnd(handle);
    sampleSourcesDeleteIdle();
}

void sampleChannelsSetRolloff(float rolloff) {
    for (const auto& [handle, channel] : channels)
        if (channel.threeD)
            for (std::size_t k = 0; k < channel.sourceCount; ++k)
                alSourcef(channel.sources[k], AL_ROLLOFF_FACTOR, rolloff);
}

void samplesReap() {
    std::vector<EngineHandle> ended;
    for (const auto& [handle, channel] : channels)
        if (!channel.paused && sourcesEnded(channel))
            ended.push_back(handle);
    for (EngineHandle handle : ended)
        channelEnd(handle);
}

void samplesRefreshGains() {
    for (const auto& [handle, channel] : channels)
        channelApplyGains(channel);
}

void samplesSetReverbSend(ALuint slot) {
    for (const auto& [handle, channel] : channels) {
        if (!channel.threeD)
            continue;
        for (std::size_t k = 0; k < channel.sourceCount; ++k)
            alSource3i(channel.sources[k], AL_AUXILIARY_SEND_FILTER, static_cast<ALint>(slot), 0,
                       AL_FILTER_NULL);
    }
}

bool samplesHaveChannels() {
    return !channels.empty();
}

void samplesCount(int& samples, int& live) {
    samplesReap();
    samples = static_cast<int>(sampleRecords().size());
    live = static_cast<int>(channels.size());
}

} // namespace engine
