// Flat positional playback: the volume and pan of a source on the plane,
// seen from the flat listener, computed by the server itself.
#pragma once

#include "samples/flat_listener.h"
#include "samples/sample_slot.h"

#include <cstdint>

struct FlatVolumePan {
    std::int32_t volume;
    std::int32_t pan;
};

// The index into cosTable and sinTable for a facing in degrees.
int flatTableIndex(std::int32_t facing);

// Volume and pan of a source at base volume, before any engine call.
FlatVolumePan flatVolumePan(double baseVolume, FlatPoint source, FlatPoint listener);

// Each field of 0xFFFF leaves the listener's value as it is.
void setFlatListener(std::uint32_t x, std::uint32_t y, std::uint32_t facing);

void samplePlayFlat(SampleSlot& slot, std::uint32_t frequency, std::uint32_t baseVolume,
                    FlatPoint source, FlatPoint listener);

FlatPoint flatListenerPoint();
