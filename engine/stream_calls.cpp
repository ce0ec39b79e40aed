// Streams and musics on streaming sources. (Not built yet: every call fails.)
#include "engine/engine_internal.h"

using namespace engine;

namespace {
int failSet(EngineHandle, std::int32_t, std::int32_t, std::int32_t) { return 0; }
int fail(EngineHandle) { return 0; }
int failPosition(EngineHandle, std::uint32_t) { return 0; }
std::uint32_t failGet(EngineHandle) { return ENGINE_ERROR; }
} // namespace

namespace engine {
const ChannelOps streamChannelOps{failSet, fail, fail, fail, failPosition, failGet};
const ChannelOps musicChannelOps{failSet, fail, fail, fail, failPosition, failGet};
void streamingRefreshGains() {}
void streamingFeed() {}
void streamingReleaseAll() {}
void streamingCount(int& streams, int& musics) { streams = musics = 0; }
} // namespace engine

EngineHandle BASS_StreamCreateFile(bool, const void*, std::uint32_t, std::uint32_t,
                                   std::uint32_t) {
    return 0;
}
std::uint32_t BASS_StreamGetLength(EngineHandle) { return ENGINE_ERROR; }
int BASS_StreamPlay(EngineHandle, bool, std::uint32_t) { return 0; }
int BASS_StreamFree(EngineHandle) { return 0; }

EngineHandle BASS_MusicLoad(bool, const void*, std::uint32_t, std::uint32_t, std::uint32_t) {
    return 0;
}
std::uint32_t BASS_MusicGetLength(EngineHandle, bool) { return ENGINE_ERROR; }
int BASS_MusicPlayEx(EngineHandle, std::uint32_t, std::int32_t, bool) { return 0; }
int BASS_MusicSetPanSep(EngineHandle, std::uint32_t) { return 0; }
int BASS_MusicFree(EngineHandle) { return 0; }
