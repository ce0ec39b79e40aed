// CD audio and reverberation. (Not built yet: every call fails.)
#include "engine/engine_internal.h"

using namespace engine;

namespace {
int failSet(EngineHandle, std::int32_t, std::int32_t, std::int32_t) { return 0; }
int fail(EngineHandle) { return 0; }
int failPosition(EngineHandle, std::uint32_t) { return 0; }
std::uint32_t failGet(EngineHandle) { return ENGINE_ERROR; }
} // namespace

namespace engine {
const ChannelOps cdChannelOps{failSet, fail, fail, fail, failPosition, failGet};
void cdRefreshGain() {}
void cdReleaseAll() {}
void reverbReleaseAll() {}
ALuint reverbSlot() { return AL_EFFECTSLOT_NULL; }
} // namespace engine

int BASS_SetEAXParameters(std::int32_t, float, float, float) { return 0; }
int BASS_CDInit(const char*) { return 0; }
int BASS_CDFree() { return 0; }
std::uint32_t BASS_CDGetTracks() { return ENGINE_ERROR; }
std::uint32_t BASS_CDGetTrackLength(std::uint32_t) { return ENGINE_ERROR; }
int BASS_CDPlay(std::uint32_t, bool, bool) { return 0; }
