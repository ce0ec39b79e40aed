// Sample channels: the gains, pan and pitch a channel's sources get.
#pragma once

#include "engine/sample_store.h"

namespace engine {

// The channel's volume, the sample class volume and, for plain channels, the
// balance law, on every source of the channel.
void channelApplyGains(const ChannelRecord& channel);
// Plain channels: where the sources sit for the channel's pan.
void channelApplyPan(const ChannelRecord& channel);
void channelApplyFrequency(const ChannelRecord& channel, const SampleRecord& sample);

// A frequency argument as a rate in Hz: 0 is the sound's own rate, -1 the
// given current one, other values clamped to 100..100000.
std::int32_t resolveFrequency(std::int32_t requested, std::int32_t current,
                              const SampleRecord& sample);
// Volume 0..100 as a gain; -1 keeps the given current gain.
float resolveVolume(std::int32_t requested, float current);
// Pan -100..100; -101 keeps the given current pan.
std::int32_t resolvePan(std::int32_t requested, std::int32_t current);

// The channel when it still sounds or is paused; an ended channel is
// released on the way and gives nullptr, like an unknown handle.
ChannelRecord* liveChannel(EngineHandle channel);

} // namespace engine
