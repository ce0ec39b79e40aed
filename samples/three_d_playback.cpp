#include "samples/three_d_playback.h"

#include "link/command_block.h"
#include "link/sentinels.h"
#include "samples/sample_table.h"
#include "server/startup_state.h"

#include <array>

namespace {

constexpr std::size_t VECTOR_SIZE = 12;
constexpr std::size_t LISTENER_VECTORS = 4;

BASS_3DVECTOR vectorAt(std::size_t pos) {
    return {float32At(pos), float32At(pos + 4), float32At(pos + 8)};
}

// A play vector is absent when its x equals ABSENT_COORD as a float or is a
// NaN; the listener's test compares bits instead.
bool playVectorAbsent(const BASS_3DVECTOR& vector) {
    return !(vector.x < ABSENT_COORD || vector.x > ABSENT_COORD);
}

} // namespace

void set3DListener(std::size_t firstVector) {
    std::array<BASS_3DVECTOR, LISTENER_VECTORS> vectors{};
    std::array<const BASS_3DVECTOR*, LISTENER_VECTORS> given{};
    for (std::size_t k = 0; k < LISTENER_VECTORS; ++k) {
        const std::size_t pos = firstVector + VECTOR_SIZE * k;
        vectors[k] = vectorAt(pos);
        given[k] = raw32At(pos) == ABSENT_COORD_BITS ? nullptr : &vectors[k];
    }
    BASS_Set3DPosition(given[0], given[1], given[2], given[3]);
    BASS_Apply3D();
}

void samplePlay3D(SampleSlot& slot, std::uint32_t frequency, std::uint32_t volume,
                  std::uint32_t loopChoice, const BASS_3DVECTOR* position,
                  const BASS_3DVECTOR* orientation, const BASS_3DVECTOR* velocity) {
    if (no3D) {
        samplePlay(slot, frequency, volume, NO_VALUE16, loopChoice);
        return;
    }
    auto given = [](const BASS_3DVECTOR* vector) {
        return playVectorAbsent(*vector) ? nullptr : vector;
    };
    const EngineHandle channel = BASS_SamplePlay3DEx(
        slot.sampleHandle, given(position), given(orientation), given(velocity), 0,
        playFrequency(slot, frequency), playVolume(volume), playLoops(loopChoice));
    recordChannel(slot, channel);
}

void samplePlay3DAt(std::size_t base) {
    SampleSlot* slot = sampleSlotAt(word16At(base + 2));
    if (slot == nullptr)
        return;
    const BASS_3DVECTOR position = vectorAt(base + 12);
    const BASS_3DVECTOR orientation = vectorAt(base + 24);
    const BASS_3DVECTOR velocity = vectorAt(base + 36);
    samplePlay3D(*slot, value24At(base + 4), word16At(base + 8), word16At(base + 10), &position,
                 &orientation, &velocity);
}
