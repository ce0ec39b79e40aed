// Rendering the engine's output by hand, for tests and benchmarks: the engine
// opens OpenAL Soft's loopback device instead of an output device, and
// nothing plays until engineRender is called.
#pragma once

#include <cstdint>

// Before BASS_Init: render only when asked.
void engineUseTestLoopback(bool on);

// The output's rate in frames per second, once initialised.
int engineOutputFrequency();

// Renders frames of stereo float output, interleaved left and right, feeding
// streaming sources between slices as the engine thread would. False when
// the engine is not initialised in test mode.
bool engineRender(float* stereo, int frames);

// True when no output device could be opened and the engine plays silently.
bool engineIsSilent();

// How many objects the engine holds, for leak checks.
struct EngineCounts {
    int samples = 0;
    int channels = 0;
    int streams = 0;
    int musics = 0;
};
EngineCounts engineLiveObjects();
