// The 3D listener and factors. Changes wait until BASS_Apply3D, which
// commits them to OpenAL in one deferred batch.
#include "engine/three_d.h"

#include "engine/sample_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace engine;

namespace {

constexpr float SPEED_OF_SOUND_MPS = 343.3f;
constexpr float MAX_FACTOR = 10.0f;
// Below this two orientation vectors count as parallel or empty.
constexpr float MIN_ORIENTATION_AREA = 1e-6f;

ThreeDState pending;
ThreeDState committed;

bool finite(const BASS_3DVECTOR& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool usableOrientation(const BASS_3DVECTOR& front, const BASS_3DVECTOR& top) {
    if (!finite(front) || !finite(top))
        return false;
    const float cx = front.y * top.z - front.z * top.y;
    const float cy = front.z * top.x - front.x * top.z;
    const float cz = front.x * top.y - front.y * top.x;
    return std::sqrt(cx * cx + cy * cy + cz * cz) > MIN_ORIENTATION_AREA;
}

// Negative or NaN: leave as it is.
bool takeFactor(float value, float& factor) {
    if (!(value >= 0.0f))
        return value < 0.0f;
    factor = std::min(value, MAX_FACTOR);
    return true;
}

// Units per second: a distance factor of 0 puts every point at one place,
// so sound arrives at once and nothing shifts in pitch.
float speedOfSound(float distanceFactor) {
    if (distanceFactor <= 0.0f)
        return std::numeric_limits<float>::max();
    return SPEED_OF_SOUND_MPS / distanceFactor;
}

} // namespace

namespace engine {

const ThreeDState& threeDCommitted() {
    return committed;
}

void threeDReset() {
    pending = ThreeDState{};
    committed = ThreeDState{};
}

} // namespace engine

int BASS_Set3DFactors(float distance, float rolloff, float doppler) {
    Guard guard(stateMutex());
    if (!output().initialised)
        return 0;
    bool ok = takeFactor(distance, pending.distanceFactor);
    ok = takeFactor(rolloff, pending.rolloffFactor) && ok;
    ok = takeFactor(doppler, pending.dopplerFactor) && ok;
    return ok ? 1 : 0;
}

int BASS_Set3DPosition(const BASS_3DVECTOR* position, const BASS_3DVECTOR* velocity,
                       const BASS_3DVECTOR* front, const BASS_3DVECTOR* top) {
    Guard guard(stateMutex());
    if (!output().initialised)
        return 0;
    bool ok = true;
    if (position != nullptr) {
        ok = finite(*position);
        if (ok)
            pending.position = *position;
    }
    if (velocity != nullptr) {
        const bool usable = finite(*velocity);
        if (usable)
            pending.velocity = *velocity;
        ok = ok && usable;
    }
    if (front != nullptr || top != nullptr) {
        const BASS_3DVECTOR newFront = front != nullptr ? *front : pending.front;
        const BASS_3DVECTOR newTop = top != nullptr ? *top : pending.top;
        const bool usable = usableOrientation(newFront, newTop);
        if (usable) {
            pending.front = newFront;
            pending.top = newTop;
        }
        ok = ok && usable;
    }
    return ok ? 1 : 0;
}

void BASS_Apply3D() {
    Guard guard(stateMutex());
    if (!output().initialised)
        return;
    alDeferUpdatesSOFT();
    float values[6];
    toOpenAl(pending.position, values);
    alListenerfv(AL_POSITION, values);
    toOpenAl(pending.velocity, values);
    alListenerfv(AL_VELOCITY, values);
    toOpenAl(pending.front, values);
    toOpenAl(pending.top, values + 3);
    alListenerfv(AL_ORIENTATION, values);
    alDopplerFactor(pending.dopplerFactor);
    alSpeedOfSound(speedOfSound(pending.distanceFactor));
    if (pending.rolloffFactor != committed.rolloffFactor)
        sampleChannelsSetRolloff(pending.rolloffFactor);
    alProcessUpdatesSOFT();
    committed = pending;
}
