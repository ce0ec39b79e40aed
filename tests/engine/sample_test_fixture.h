// The real engine on the loopback device, in a scratch directory, for the
// sample tests: tones written there, rendered sound measured.
#pragma once

#include "engine/engine.h"
#include "engine/loopback.h"
#include "tests/support/analysis.h"
#include "tests/support/engine_render.h"
#include "tests/support/sound_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

class SampleEngine : public EngineInScratchDir {
  protected:
    static constexpr int RATE = 44100;

    void SetUp() override {
        EngineInScratchDir::SetUp();
        openEngine(RATE, DEVICE_3D);
    }

    // A sine tone file in the scratch directory, loaded with the given flags.
    EngineHandle loadTone(const std::string& name, const ToneSpec& tone, std::uint32_t flags = 0,
                          std::uint32_t max = 10) {
        if (!writeTone(dir / name, tone))
            return 0;
        return BASS_SampleLoad(false, name.c_str(), 0, 0, max, flags);
    }

    EngineHandle loadTone(double frequencyHz = 441.0, double seconds = 0.5, int channels = 1,
                          std::uint32_t flags = 0) {
        ToneSpec tone;
        tone.frequencyHz = frequencyHz;
        tone.seconds = seconds;
        tone.channels = channels;
        return loadTone("tone" + std::to_string(serial++) + ".wav", tone, flags);
    }

    // Level of one side over the given stretch, skipping the first frames in
    // which gains glide to their values.
    static double level(const StereoBuffer& sound, int side, double fromSeconds = 0.02) {
        const auto first = static_cast<std::size_t>(fromSeconds * sound.rate);
        return rms(sound.channel(side, first));
    }

    int serial = 0;
};

// The level of a full-scale sine at the test tone's amplitude (0.5).
inline constexpr double TONE_RMS = 0.5 / 1.4142135623730951;
