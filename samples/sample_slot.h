// One sample slot: the engine sample it holds, its working copy of the
// sample's defaults, and the channels of its last ten plays.
#pragma once

#include "engine/engine.h"

#include <array>
#include <cstdint>
#include <string>

inline constexpr std::size_t CHANNEL_RING_SIZE = 10;

struct SampleSlot {
    EngineHandle sampleHandle;
    BASS_SAMPLE sampleInfo;
    std::array<EngineHandle, CHANNEL_RING_SIZE> channelRing;
    std::uint32_t nativeFrequency;
    std::int32_t ringPosition;
};

void sampleLoad(SampleSlot& slot, const std::string& name, std::uint32_t flags);
void samplePlay(SampleSlot& slot, std::uint32_t frequency, std::uint32_t volume, std::uint32_t pan,
                std::uint32_t loopChoice);
void sampleSetDefaults(SampleSlot& slot, std::uint32_t frequency, std::uint32_t volume,
                       std::uint32_t pan, std::uint32_t reduction, std::uint32_t flags);
void sampleStop(SampleSlot& slot);
void sampleFree(SampleSlot& slot);
void recordChannel(SampleSlot& slot, EngineHandle channel);

// The field conversions every kind of play shares.
std::int32_t playFrequency(const SampleSlot& slot, std::uint32_t frequency);
std::int32_t playVolume(std::uint32_t volume);
bool playLoops(std::uint32_t loopChoice);
