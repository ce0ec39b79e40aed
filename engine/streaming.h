// Streaming voices: one OpenAL source with a queue of buffers, fed from a
// PCM source that its owner (a stream, a music, the CD) supplies as a record
// of callbacks.
//
// Threads. Every operation below runs with the state lock held, as every
// engine call does. The source's callbacks run on the streaming thread (or,
// when the output is rendered by a test, on the thread that renders), never
// with the state lock held and never two at once for the same voice. So an
// owner must not touch its decoder from an engine call: it leaves a request
// in its own record (behind a lock of its own) and applies it in a callback.
// After streamingVoiceDestroy returns, no callback of that voice runs again,
// so the owner may free what its callbacks read.
//
// A voice's states:
//
//      create ──> Stopped ──play──> Playing ──pause──> Paused
//                   ^  ^              │  ^               │
//                   │  └──stop────────┤  └────resume─────┘
//                   │                 │
//                   └──the source ends (without loop)
//                   Paused ──stop──> Stopped;  Paused ──play──> Playing
//
// Positions are frames of the source, counted from its start, for the frame
// being heard: buffers queued but not yet played are not counted.
#pragma once

#include <cstdint>

namespace engine {

struct PcmSource {
    void* context = nullptr; // handed back to every callback
    int channels = 0;        // 1 or 2
    int sampleRate = 0;      // frames per second
    // Frames in the source, or -1 when it cannot say; a looping voice wraps
    // its position at this length.
    std::int64_t totalFrames = -1;
    // Reads up to count interleaved 16-bit frames into pcm; returns the
    // frames read, 0 at the end, a negative value on an error (taken as the
    // end).
    long (*read)(void* context, std::int16_t* pcm, long count) = nullptr;
    // Moves the next read to frame; false when the source cannot.
    bool (*seek)(void* context, std::int64_t frame) = nullptr;
    // Optional: the owner's own position of the next frame to be read (a
    // music's order and row). Kept with every buffer, so that
    // streamingVoiceMark can tell the owner's position of what is heard.
    std::uint32_t (*mark)(void* context) = nullptr;
    // Frames per buffer; 0 takes the default (about 50 ms). Smaller buffers
    // make marks finer.
    int framesPerBuffer = 0;
};

enum class VoiceState { Stopped, Playing, Paused };

struct StreamingVoice;

// Makes a stopped voice at frame 0; nullptr when no OpenAL source or
// buffer could be had or the source record is unusable.
StreamingVoice* streamingVoiceCreate(const PcmSource& source);
// Stops and releases the voice; waits for a callback in progress to return.
void streamingVoiceDestroy(StreamingVoice* voice);

// Starts playing. fromStart restarts at frame 0; otherwise a paused voice
// resumes, a playing voice goes on, a stopped voice starts where it was
// stopped or set (at frame 0 again once it has played to its end). loop makes
// the voice go on from frame 0 at the source's end, with no gap.
void streamingVoicePlay(StreamingVoice* voice, bool loop, bool fromStart);
void streamingVoicePause(StreamingVoice* voice);  // only a playing voice
void streamingVoiceResume(StreamingVoice* voice); // only a paused voice
void streamingVoiceStop(StreamingVoice* voice);   // keeps the position
void streamingVoiceSetLoop(StreamingVoice* voice, bool loop);
// Moves to frame (seek callback); a playing voice plays on from there, a
// paused or stopped one starts there. mark is what streamingVoiceMark answers
// until the new position is heard. False for a frame beyond the source.
bool streamingVoiceSetPosition(StreamingVoice* voice, std::int64_t frame, std::uint32_t mark = 0);
std::int64_t streamingVoicePosition(const StreamingVoice* voice);
// The mark of the buffer being heard (or of the next frame to be read when
// nothing is queued); 0 without a mark callback.
std::uint32_t streamingVoiceMark(const StreamingVoice* voice);
void streamingVoiceSetGain(StreamingVoice* voice, float gain);
// Playback rate relative to the source's own (1 = as recorded).
void streamingVoiceSetPitch(StreamingVoice* voice, float pitch);
VoiceState streamingVoiceState(const StreamingVoice* voice);
inline bool streamingVoiceIsPlaying(const StreamingVoice* voice) {
    return streamingVoiceState(voice) == VoiceState::Playing;
}

// engine_internal.h's streamingFeed() feeds every live voice, the CD's
// included.

} // namespace engine
