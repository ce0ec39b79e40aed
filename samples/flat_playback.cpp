#include "samples/flat_playback.h"

#include "link/sentinels.h"
#include "server/trig_tables.h"

#include <cmath>

namespace {

constexpr std::int32_t INDEX_OF_FACING_ZERO = 270;
constexpr std::int32_t FULL_TURN_DEGREES = 360;
constexpr std::int32_t FLAT_PAN_RANGE = 100;

std::int16_t fieldAsSigned(std::uint32_t field) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(field));
}

// Truncation toward zero into the 32 bits the engine takes; a base volume
// above 2^31 from the engine's record keeps its bits rather than overflow.
std::int32_t truncated(double value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(value)));
}

} // namespace

int flatTableIndex(std::int32_t facing) {
    std::int32_t index = INDEX_OF_FACING_ZERO - facing;
    if (facing > INDEX_OF_FACING_ZERO)
        index += FULL_TURN_DEGREES;
    // Facings outside -90..630 would land outside the table; any turn of
    // theirs is the same direction as its remainder.
    if (index < 0 || index > FULL_TURN_DEGREES)
        index = (index % FULL_TURN_DEGREES + FULL_TURN_DEGREES) % FULL_TURN_DEGREES;
    return index;
}

FlatVolumePan flatVolumePan(double baseVolume, FlatPoint source, FlatPoint listener) {
    const auto i = static_cast<std::size_t>(flatTableIndex(listener.third));
    const double c = cosTable[i];
    const double s = sinTable[i];
    const double dx = static_cast<double>(source.x) - listener.x;
    const double dy = static_cast<double>(source.y) - listener.y;
    const double scale = distanceScale;
    const auto u = static_cast<float>((dx * c - dy * s) / scale);
    const double v = (dx * s + dy * c) / scale;
    const auto uSquared = static_cast<float>(static_cast<double>(u) * u);
    double dSquared = v * v + uSquared;
    if (!(dSquared >= 1.0))
        dSquared = 1.0;
    const std::int32_t volume = truncated(baseVolume / dSquared);
    std::int32_t pan = 0;
    if (uSquared >= 1.0f && std::isfinite(uSquared)) {
        const double sigma = u > 0.0f ? 1.0 : -1.0;
        pan =
            static_cast<std::int32_t>(sigma * FLAT_PAN_RANGE - FLAT_PAN_RANGE / (sigma * uSquared));
    }
    return {volume, pan};
}

void setFlatListener(std::uint32_t x, std::uint32_t y, std::uint32_t facing) {
    if (x != NO_VALUE16)
        flatListener.x = fieldAsSigned(x);
    if (y != NO_VALUE16)
        flatListener.y = fieldAsSigned(y);
    if (facing != NO_VALUE16)
        flatListener.facing = fieldAsSigned(facing);
}

FlatPoint flatListenerPoint() {
    return {flatListener.x, flatListener.y, flatListener.facing};
}

void samplePlayFlat(SampleSlot& slot, std::uint32_t frequency, std::uint32_t baseVolume,
                    FlatPoint source, FlatPoint listener) {
    const std::int32_t engineFrequency = playFrequency(slot, frequency);
    double base = baseVolume;
    if (baseVolume == NO_VALUE16) {
        BASS_SampleGetInfo(slot.sampleHandle, &slot.sampleInfo);
        base = slot.sampleInfo.volume;
    }
    const FlatVolumePan heard = flatVolumePan(base, source, listener);
    const EngineHandle channel =
        BASS_SamplePlayEx(slot.sampleHandle, 0, engineFrequency, heard.volume, heard.pan, false);
    recordChannel(slot, channel);
}
