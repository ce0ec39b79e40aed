// Sound files decoded through libsndfile, from a file or from a block of
// memory that the caller keeps alive, as a PCM source for a streaming voice.
#pragma once

#include "engine/streaming.h"

#include <cstdint>
#include <string>

namespace engine {

struct SndfileDecoder;

// nullptr when the file cannot be opened, is not a sound file libsndfile
// reads, is cut short, or has a channel count a voice cannot play.
SndfileDecoder* sndfileOpenFile(const std::string& path);
SndfileDecoder* sndfileOpenMemory(const void* data, std::uint32_t length);
void sndfileClose(SndfileDecoder* decoder);

// Callbacks and format of the open decoder; the decoder must outlive the
// voice made from it.
PcmSource sndfileSource(SndfileDecoder* decoder);

} // namespace engine
