// The output device: opening and closing the engine, starting and stopping
// output, the master and class volumes.
#include "engine/engine_internal.h"
#include "engine/engine_thread.h"
#include "engine/loopback.h"

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace engine;

namespace {

bool testLoopbackRequested = false;

// Asked for so that thousands of sample channels can sound at once beside the
// sources reserved for streams, modules and the CD.
constexpr ALCint MONO_SOURCES = 4096;
constexpr ALCint STEREO_SOURCES = 512;
constexpr int DEFAULT_LOOPBACK_FREQUENCY = 44100;
constexpr float SPEED_OF_SOUND = 343.3f;

LPALCLOOPBACKOPENDEVICESOFT loopbackOpen = nullptr;
LPALCISRENDERFORMATSUPPORTEDSOFT loopbackFormatSupported = nullptr;
LPALCRENDERSAMPLESSOFT loopbackRender = nullptr;
LPALCDEVICEPAUSESOFT devicePause = nullptr;
LPALCDEVICERESUMESOFT deviceResume = nullptr;

void loadExtensions() {
    loopbackOpen = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    loopbackFormatSupported = reinterpret_cast<LPALCISRENDERFORMATSUPPORTEDSOFT>(
        alcGetProcAddress(nullptr, "alcIsRenderFormatSupportedSOFT"));
    loopbackRender = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
        alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
}

std::vector<ALCint> contextAttributes(int frequency, bool loopback, bool want3D) {
    std::vector<ALCint> attrs{ALC_MONO_SOURCES, MONO_SOURCES, ALC_STEREO_SOURCES, STEREO_SOURCES};
    if (frequency > 0)
        attrs.insert(attrs.end(), {ALC_FREQUENCY, frequency});
    if (loopback)
        attrs.insert(attrs.end(), {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                                   ALC_FLOAT_SOFT});
    if (want3D)
        attrs.insert(attrs.end(), {ALC_MAX_AUXILIARY_SENDS, 1});
    attrs.push_back(0);
    return attrs;
}

bool openLoopback(OutputState& out, int frequency, bool want3D) {
    if (loopbackOpen == nullptr || loopbackRender == nullptr)
        return false;
    const int rate = frequency > 0 ? frequency : DEFAULT_LOOPBACK_FREQUENCY;
    out.device = loopbackOpen(nullptr);
    if (out.device == nullptr)
        return false;
    if (loopbackFormatSupported != nullptr &&
        !loopbackFormatSupported(out.device, rate, ALC_STEREO_SOFT, ALC_FLOAT_SOFT)) {
        alcCloseDevice(out.device);
        out.device = nullptr;
        return false;
    }
    const auto attrs = contextAttributes(rate, true, want3D);
    out.context = alcCreateContext(out.device, attrs.data());
    if (out.context == nullptr) {
        alcCloseDevice(out.device);
        out.device = nullptr;
        return false;
    }
    out.frequency = rate;
    return true;
}

bool openOutputDevice(OutputState& out, int frequency, bool want3D) {
    out.device = alcOpenDevice(nullptr);
    if (out.device == nullptr)
        return false;
    const auto attrs = contextAttributes(frequency, false, want3D);
    out.context = alcCreateContext(out.device, attrs.data());
    if (out.context == nullptr) {
        alcCloseDevice(out.device);
        out.device = nullptr;
        return false;
    }
    ALCint rate = 0;
    alcGetIntegerv(out.device, ALC_FREQUENCY, 1, &rate);
    out.frequency = rate > 0 ? rate : DEFAULT_LOOPBACK_FREQUENCY;
    if (alcIsExtensionPresent(out.device, "ALC_SOFT_pause_device")) {
        devicePause = reinterpret_cast<LPALCDEVICEPAUSESOFT>(
            alcGetProcAddress(out.device, "alcDevicePauseSOFT"));
        deviceResume = reinterpret_cast<LPALCDEVICERESUMESOFT>(
            alcGetProcAddress(out.device, "alcDeviceResumeSOFT"));
    }
    return true;
}

int clampFrequency(std::uint32_t frequency) {
    if (frequency == 0)
        return 0;
    return static_cast<int>(std::clamp<std::uint32_t>(frequency, 8000, 192000));
}

void closeDevice(OutputState& out) {
    alcMakeContextCurrent(nullptr);
    if (out.context != nullptr)
        alcDestroyContext(out.context);
    if (out.device != nullptr)
        alcCloseDevice(out.device);
    out = OutputState{};
    devicePause = nullptr;
    deviceResume = nullptr;
}

} // namespace

void engine::renderLoopback(float* stereo, int frames) {
    loopbackRender(output().device, stereo, frames);
}

void engineUseTestLoopback(bool on) {
    testLoopbackRequested = on;
}

int engineOutputFrequency() {
    Guard guard(stateMutex());
    return output().initialised ? output().frequency : 0;
}

bool engineIsSilent() {
    Guard guard(stateMutex());
    return output().initialised && output().silent;
}

bool engineRender(float* stereo, int frames) {
    Guard guard(stateMutex());
    OutputState& out = output();
    if (!out.initialised || !out.testDriven)
        return false;
    // Slices of about 5 ms, with the engine thread's work between them, as
    // real-time output would see it.
    const int slice = std::max(1, out.frequency / 200);
    for (int done = 0; done < frames;) {
        const int count = std::min(slice, frames - done);
        engineHousekeeping();
        if (out.started) {
            loopbackRender(out.device, stereo + 2 * done, count);
        } else {
            std::fill(stereo + 2 * done, stereo + 2 * (done + count), 0.0f);
        }
        done += count;
    }
    return true;
}

EngineCounts engineLiveObjects() {
    Guard guard(stateMutex());
    EngineCounts counts;
    if (output().initialised) {
        samplesCount(counts.samples, counts.channels);
        streamingCount(counts.streams, counts.musics);
    }
    return counts;
}

int BASS_Init(int, std::uint32_t frequency, std::uint32_t flags, void*) {
    {
        Guard guard(stateMutex());
        OutputState& out = output();
        if (out.initialised)
            return 0;
        loadExtensions();
        const bool want3D = (flags & DEVICE_3D) != 0;
        const int rate = clampFrequency(frequency);
        if (testLoopbackRequested) {
            if (!openLoopback(out, rate, want3D))
                return 0;
            out.testDriven = true;
        } else if (!openOutputDevice(out, rate, want3D)) {
            if (!openLoopback(out, rate, want3D))
                return 0;
            out.silent = true;
            std::fputs("soundserver: no audio output device could be opened; playing "
                       "silently\n",
                       stderr);
        }
        if (alcMakeContextCurrent(out.context) == ALC_FALSE) {
            closeDevice(out);
            return 0;
        }
        out.has3D = want3D;
        out.hasEfx = want3D && alcIsExtensionPresent(out.device, "ALC_EXT_EFX") == ALC_TRUE;
        alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
        alSpeedOfSound(SPEED_OF_SOUND);
        alListenerf(AL_GAIN, 1.0f);
        out.initialised = true;
        out.started = true;
    }
    if (!output().testDriven)
        engineThreadStart();
    return 1;
}

int BASS_Start() {
    Guard guard(stateMutex());
    OutputState& out = output();
    if (!out.initialised)
        return 0;
    if (!out.started && deviceResume != nullptr)
        deviceResume(out.device);
    out.started = true;
    return 1;
}

int BASS_Stop() {
    Guard guard(stateMutex());
    OutputState& out = output();
    if (!out.initialised)
        return 0;
    if (out.started && devicePause != nullptr)
        devicePause(out.device);
    out.started = false;
    return 1;
}

int BASS_Free() {
    if (!output().initialised)
        return 0;
    engineThreadStop();
    Guard guard(stateMutex());
    OutputState& out = output();
    if (!out.initialised)
        return 0;
    cdReleaseAll();
    streamingReleaseAll();
    samplesReleaseAll();
    reverbReleaseAll();
    closeDevice(out);
    return 1;
}

int BASS_SetVolume(std::int32_t volume) {
    Guard guard(stateMutex());
    OutputState& out = output();
    if (!out.initialised)
        return 0;
    if (volume == -1)
        return 1;
    out.masterGain = volumeToGain(volume);
    alListenerf(AL_GAIN, out.masterGain);
    return 1;
}

int BASS_SetGlobalVolumes(std::int32_t music, std::int32_t sample, std::int32_t stream) {
    Guard guard(stateMutex());
    OutputState& out = output();
    if (!out.initialised)
        return 0;
    if (music != -1)
        out.musicGain = volumeToGain(music);
    if (sample != -1)
        out.sampleGain = volumeToGain(sample);
    if (stream != -1)
        out.streamGain = volumeToGain(stream);
    samplesRefreshGains();
    streamingRefreshGains();
    cdRefreshGain();
    return 1;
}
