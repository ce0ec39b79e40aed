// One track slot: the stream or music it holds, the whole-file copy its
// memory-copy stream plays from, and the length the engine gave at the last
// load.
#pragma once

#include "engine/engine.h"

#include <cstdint>
#include <memory>
#include <string>

// The kind word as loaded. Any other value is kept as given and behaves as
// TRACK_EMPTY.
//
//                 ┌────── load 1 ──────> stream ──┐
//                 │                       │  ^    │
//     empty ──────┤              load 2   │  │ load 1     free, or a load of
//       ^         │                       v  │    ├────> any other kind:
//       │         └────── load 2 ──────> music ───┘      empty
//       └───────────────────────────────────────────────────┘
//
// A load of kind 1 or 2 from a slot that holds a sound (the same kind
// included) takes the new sound; the one held before is not released and
// plays on out of reach. Play, attributes, pause, resume, stop and the
// positions change nothing in the slot: whether a sound plays is the
// engine's state. A stream or music slot whose load the engine refused holds
// handle 0, the CD channel's, and behaves as empty but for its length.
enum TrackKind : std::uint32_t {
    TRACK_EMPTY = 0,
    TRACK_STREAM = 1,
    TRACK_MUSIC = 2,
};

// A whole file read into memory, owned by the slot while the slot holds the
// stream made from it.
struct MemoryCopyRelease {
    void operator()(std::uint8_t* block) const;
};
struct MemoryCopy {
    std::unique_ptr<std::uint8_t[], MemoryCopyRelease> bytes;
    std::uint32_t size = 0;
};

struct TrackSlot {
    EngineHandle musicHandle = 0;
    EngineHandle streamHandle = 0;
    MemoryCopy memoryCopy;
    std::uint32_t kind = TRACK_EMPTY;
    bool loop = false;
    std::uint32_t length = 0;
};

void trackLoad(TrackSlot& slot, const std::string& name, std::uint32_t flags, std::uint32_t kind);
void trackPlay(const TrackSlot& slot);
void trackSetAttributes(const TrackSlot& slot, std::uint32_t panSeparation, std::uint32_t volume);
void trackPause(const TrackSlot& slot);
void trackResume(const TrackSlot& slot);
void trackStop(const TrackSlot& slot);
void trackFree(TrackSlot& slot);
void trackSetPosition(const TrackSlot& slot, std::uint32_t position);
std::uint32_t trackGetPosition(const TrackSlot& slot);
