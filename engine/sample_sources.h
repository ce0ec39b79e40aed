// The pool of OpenAL sources that sample channels play on.
#pragma once

#include "engine/engine_internal.h"

namespace engine {

// Sample channels stay below the sources the context offers (4096 mono and
// 512 stereo are asked for), so streams, modules and the CD always find one.
inline constexpr int SAMPLE_SOURCE_LIMIT = 4000;

// An idle source, or 0 when the limit is reached or OpenAL refuses.
ALuint sampleSourceTake();
// Stops the source, detaches its buffer and keeps it for the next play.
void sampleSourceGive(ALuint source);
int sampleSourcesIdle();
// Deletes the idle sources; call when every channel has ended.
void sampleSourcesDeleteIdle();

} // namespace engine
