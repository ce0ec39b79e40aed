// Samples and their channels. (Not built yet: every call fails.)
#include "engine/engine_internal.h"

using namespace engine;

namespace {
int failSet(EngineHandle, std::int32_t, std::int32_t, std::int32_t) { return 0; }
int fail(EngineHandle) { return 0; }
int failPosition(EngineHandle, std::uint32_t) { return 0; }
std::uint32_t failGet(EngineHandle) { return ENGINE_ERROR; }
} // namespace

namespace engine {
const ChannelOps sampleChannelOps{failSet, fail, fail, fail, failPosition, failGet};
void samplesRefreshGains() {}
void samplesReap() {}
void samplesReleaseAll() {}
void samplesCount(int& samples, int& channels) { samples = channels = 0; }
} // namespace engine

EngineHandle BASS_SampleLoad(bool, const void*, std::uint32_t, std::uint32_t, std::uint32_t,
                             std::uint32_t) {
    return 0;
}
int BASS_SampleGetInfo(EngineHandle, BASS_SAMPLE*) { return 0; }
int BASS_SampleSetInfo(EngineHandle, const BASS_SAMPLE*) { return 0; }
EngineHandle BASS_SamplePlayEx(EngineHandle, std::uint32_t, std::int32_t, std::int32_t,
                               std::int32_t, bool) {
    return 0;
}
EngineHandle BASS_SamplePlay3DEx(EngineHandle, const BASS_3DVECTOR*, const BASS_3DVECTOR*,
                                 const BASS_3DVECTOR*, std::uint32_t, std::int32_t, std::int32_t,
                                 bool) {
    return 0;
}
int BASS_SampleStop(EngineHandle) { return 0; }
int BASS_SampleFree(EngineHandle) { return 0; }

int BASS_Set3DFactors(float, float, float) { return 0; }
int BASS_Set3DPosition(const BASS_3DVECTOR*, const BASS_3DVECTOR*, const BASS_3DVECTOR*,
                       const BASS_3DVECTOR*) {
    return 0;
}
void BASS_Apply3D() {}
