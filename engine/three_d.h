// The engine's 3D listener and factors: set, then committed together.
#pragma once

#include "engine/engine.h"

namespace engine {

struct ThreeDState {
    BASS_3DVECTOR position{0.0f, 0.0f, 0.0f};
    BASS_3DVECTOR velocity{0.0f, 0.0f, 0.0f};
    BASS_3DVECTOR front{0.0f, 0.0f, 1.0f};
    BASS_3DVECTOR top{0.0f, 1.0f, 0.0f};
    float distanceFactor = 1.0f;
    float rolloffFactor = 1.0f;
    float dopplerFactor = 1.0f;
};

// What the listener and the factors are since the last BASS_Apply3D.
const ThreeDState& threeDCommitted();

// Back to the defaults, at BASS_Free.
void threeDReset();

// Engine coordinates (x right, y up, z front) to OpenAL's right-handed ones.
inline void toOpenAl(const BASS_3DVECTOR& v, float out[3]) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = -v.z;
}

} // namespace engine
