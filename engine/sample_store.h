// What the sample family of the engine keeps: samples (decoded once, one
// OpenAL buffer per channel of the sound) apart from the channels that play
// them (one OpenAL source per buffer). Used with the state lock held.
#pragma once

#include "engine/engine_internal.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace engine {

// A stereo sound is kept as two mono buffers, left and right, so that a plain
// channel can give each side its own level; the memory is that of one
// stereo buffer.
inline constexpr std::size_t MAX_SAMPLE_PLANES = 2;

struct SampleRecord {
    BASS_SAMPLE info{};
    std::array<ALuint, MAX_SAMPLE_PLANES> buffers{};
    std::size_t planes = 0;
    int rate = 0;
    std::uint32_t frames = 0;
    std::uint32_t bytesPerFrame = 0;
    // The channels of this sample that may still sound, oldest first.
    std::vector<EngineHandle> channels;
};

struct ChannelRecord {
    EngineHandle sample = 0;
    std::array<ALuint, MAX_SAMPLE_PLANES> sources{};
    std::size_t sourceCount = 0;
    bool threeD = false;
    bool paused = false;
    float volumeGain = 1.0f;
    std::int32_t pan = 0;
    std::int32_t frequency = 0;
    // Engine coordinates (left-handed), for taking over the furthest.
    BASS_3DVECTOR position{};
};

std::unordered_map<EngineHandle, SampleRecord>& sampleRecords();
std::unordered_map<EngineHandle, ChannelRecord>& channelRecords();

// The sample, or nullptr for an unknown or freed handle.
SampleRecord* findSample(EngineHandle sample);

// Ends a channel: stops its sources, gives them back and forgets the handle.
void channelEnd(EngineHandle channel);

// Ends every channel of a sample.
void sampleEndChannels(SampleRecord& sample);

// Deletes every source the sample family made.
void sampleSourcesReleaseAll();

// 3D channels take the committed roll-off factor.
void sampleChannelsSetRolloff(float rolloff);

} // namespace engine
