// Reading one CD track as 16-bit PCM for a streaming voice, whatever the
// source holds it in: a sound file, a raw image, or a drive.
#pragma once

#include "engine/cd_source.h"
#include "engine/streaming.h"

namespace engine {

struct CdTrackReader;

// nullptr when the track is a data track or its file cannot be opened.
CdTrackReader* cdTrackReaderOpen(const CdTrack& track, CdDrive* drive);
void cdTrackReaderClose(CdTrackReader* reader);
// The callbacks a streaming voice reads the track through; they use the
// reader alone, so they may run on the streaming thread.
PcmSource cdTrackReaderSource(CdTrackReader* reader);

} // namespace engine
