// What the parts of the engine share with each other, behind engine.h.
#pragma once

#include "engine/engine.h"

#ifndef AL_ALEXT_PROTOTYPES
#define AL_ALEXT_PROTOTYPES
#endif
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <AL/efx.h>

#include <cstdint>
#include <mutex>

namespace engine {

// Every engine call and the engine thread take this lock, so the server's
// thread and the thread that feeds streaming sources never meet in the
// middle of a change.
std::mutex& stateMutex();
using Guard = std::lock_guard<std::mutex>;

struct OutputState {
    bool initialised = false;
    bool started = false;
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    // No output device could be opened: a loopback device rendered in real
    // time into nothing, so that positions advance and sounds end.
    bool silent = false;
    // Tests render the output themselves through the loopback device.
    bool testDriven = false;
    bool has3D = false;
    bool hasEfx = false;
    int frequency = 44100;
    // Class volumes as gains 0..1; a channel's gain is its own volume times
    // its class volume. The master volume is the listener's gain.
    float masterGain = 1.0f;
    float musicGain = 1.0f;
    float sampleGain = 1.0f;
    float streamGain = 1.0f;
};

OutputState& output();

// Handles carry their kind in the low bits and a run-wide counter above, so a
// handle is never 0 and never given out twice in one run.
enum class HandleKind : std::uint32_t { None = 0, Sample = 1, Channel = 2, Stream = 3, Music = 4 };
EngineHandle newHandle(HandleKind kind);
HandleKind handleKind(EngineHandle handle);

// The channel calls by kind of handle; each family answers for its own.
struct ChannelOps {
    int (*setAttributes)(EngineHandle, std::int32_t frequency, std::int32_t volume,
                         std::int32_t pan);
    int (*pause)(EngineHandle);
    int (*resume)(EngineHandle);
    int (*stop)(EngineHandle);
    int (*setPosition)(EngineHandle, std::uint32_t);
    std::uint32_t (*getPosition)(EngineHandle);
};
extern const ChannelOps sampleChannelOps; // sample channels
extern const ChannelOps streamChannelOps; // streams
extern const ChannelOps musicChannelOps;  // musics
extern const ChannelOps cdChannelOps;     // the CD channel, handle 0

// Hooks of each family, called with the state lock held.
void samplesRefreshGains();   // the sample class volume changed
void streamingRefreshGains(); // the music or stream class volume changed
void cdRefreshGain();
void samplesReap();       // give the sources of ended channels back
void streamingFeed();     // keep every streaming source fed
void samplesReleaseAll(); // at BASS_Free
void streamingReleaseAll();
void cdReleaseAll();
void reverbReleaseAll();
// The auxiliary effect slot that channels played in 3D send to, created on
// first use; AL_EFFECTSLOT_NULL when the engine has no EFX or no 3D.
ALuint reverbSlot();
// The slot that 3D voices send to now: the reverb's while it can be heard,
// AL_EFFECTSLOT_NULL while it is silent or absent.
ALuint reverbSendSlot();
// Points the send of every live 3D sample channel at the slot.
void samplesSetReverbSend(ALuint slot);
void samplesCount(int& samples, int& channels);
// True while any sample channel exists (ended ones not yet given back count).
bool samplesHaveChannels();
// True while any streaming voice (stream, music or the CD) exists.
bool streamingHasVoices();
void streamingCount(int& streams, int& musics);

// Renders the loopback device (silent or test output), lock held.
void renderLoopback(float* stereo, int frames);

// Volume 0..100 (clamped) as a linear gain.
float volumeToGain(std::int32_t volume);

} // namespace engine
