#include "samples/sample_slot.h"

#include "link/sentinels.h"

namespace {

constexpr std::uint32_t PLAYBACKS_PER_SAMPLE = 10;
static_assert(PLAYBACKS_PER_SAMPLE == CHANNEL_RING_SIZE,
              "every channel that can sound at once has its ring entry");
// Every load asks the engine to take over the longest-playing channel when
// all ten are busy, so a new play is never refused for want of a channel.
constexpr std::uint32_t LOAD_OVER_POS = 0x20000;
constexpr std::int32_t ENGINE_DEFAULT = -1;
constexpr std::int32_t ENGINE_DEFAULT_PAN = -101;
constexpr std::int32_t PAN_FIELD_CENTRE = 100;
constexpr std::uint32_t LOOP_ONCE_ALT = 0xFFFF;
constexpr std::uint32_t REDUCED_FLAGS_KEPT = 0x4;

} // namespace

std::int32_t playFrequency(const SampleSlot& slot, std::uint32_t frequency) {
    if (frequency == NO_VALUE24)
        return ENGINE_DEFAULT;
    if (frequency == NATIVE_FREQ24)
        return static_cast<std::int32_t>(slot.nativeFrequency);
    return static_cast<std::int32_t>(frequency);
}

std::int32_t playVolume(std::uint32_t volume) {
    return volume == NO_VALUE16 ? ENGINE_DEFAULT : static_cast<std::int32_t>(volume);
}

bool playLoops(std::uint32_t loopChoice) {
    return loopChoice != 0 && loopChoice != LOOP_ONCE_ALT;
}

void recordChannel(SampleSlot& slot, EngineHandle channel) {
    slot.channelRing[static_cast<std::size_t>(slot.ringPosition)] = channel;
    slot.ringPosition = (slot.ringPosition + 1) % static_cast<std::int32_t>(CHANNEL_RING_SIZE);
}

void sampleLoad(SampleSlot& slot, const std::string& name, std::uint32_t flags) {
    // What the slot held before stays with the engine and may go on
    // sounding; a client frees a slot before it loads into it again.
    slot.ringPosition = 0;
    slot.sampleHandle =
        BASS_SampleLoad(false, name.c_str(), 0, 0, PLAYBACKS_PER_SAMPLE, flags | LOAD_OVER_POS);
    slot.sampleInfo = BASS_SAMPLE{};
    BASS_SampleGetInfo(slot.sampleHandle, &slot.sampleInfo);
    slot.nativeFrequency = slot.sampleInfo.freq;
}

void samplePlay(SampleSlot& slot, std::uint32_t frequency, std::uint32_t volume, std::uint32_t pan,
                std::uint32_t loopChoice) {
    const std::int32_t enginePan =
        pan == NO_VALUE16 ? ENGINE_DEFAULT_PAN : static_cast<std::int32_t>(pan) - PAN_FIELD_CENTRE;
    const EngineHandle channel =
        BASS_SamplePlayEx(slot.sampleHandle, 0, playFrequency(slot, frequency), playVolume(volume),
                          enginePan, playLoops(loopChoice));
    recordChannel(slot, channel);
}

void sampleSetDefaults(SampleSlot& slot, std::uint32_t frequency, std::uint32_t volume,
                       std::uint32_t pan, std::uint32_t reduction, std::uint32_t flags) {
    BASS_SAMPLE& info = slot.sampleInfo;
    info = BASS_SAMPLE{};
    BASS_SampleGetInfo(slot.sampleHandle, &info);
    // The default frequency is tested against the 16-bit sentinel on purpose:
    // 0xFFFFFF is a value a client can store.
    if (frequency != NO_VALUE16)
        info.freq = frequency;
    if (info.freq == NATIVE_FREQ24)
        info.freq = slot.nativeFrequency;
    if (volume != NO_VALUE16)
        info.volume = volume;
    if (pan != NO_VALUE16)
        info.pan = static_cast<std::int32_t>(pan);
    if (flags != NO_VALUE16)
        info.flags = flags;
    if (reduction != NO_VALUE16)
        info.flags &= REDUCED_FLAGS_KEPT;
    BASS_SampleSetInfo(slot.sampleHandle, &info);
    for (EngineHandle channel : slot.channelRing) {
        // An entry of 0 was never a sample channel (unfilled, or a refused
        // play), and channel 0 is the CD's: it must not take the sample's
        // defaults.
        if (channel == 0)
            continue;
        BASS_ChannelSetAttributes(channel, static_cast<std::int32_t>(info.freq),
                                  static_cast<std::int32_t>(info.volume), info.pan);
    }
}

void sampleStop(SampleSlot& slot) {
    BASS_SampleStop(slot.sampleHandle);
}

void sampleFree(SampleSlot& slot) {
    sampleStop(slot);
    BASS_SampleFree(slot.sampleHandle);
    slot.sampleHandle = 0;
}
