// Reading a client's file whole into memory, for a memory-copy stream.
#pragma once

#include "tracks/track_slot.h"

#include <string>

// The whole file, or an empty copy (no bytes) when it cannot be opened,
// measured, held in memory or read to its end.
MemoryCopy memoryCopyRead(const std::string& name);

// Copies the table still owns because a later load left their streams
// playing out of reach of any slot; they go with trackTableReset.
void memoryCopyKeepOrphan(MemoryCopy copy);
void memoryCopyReleaseOrphans();

// Copies alive now, held by slots or kept as orphans; for leak checks.
std::size_t memoryCopiesAlive();
