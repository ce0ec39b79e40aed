// Found by the soak session: an EAX environment with a short decay and
// strong damping made OpenAL Soft abort the whole process on its next
// render. Every environment with decay and damping across their ranges must
// render, with a 3D sound feeding the reverb.
#include "engine/engine.h"
#include "engine/loopback.h"
#include "tests/support/sound_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

TEST(SoakEaxExtremes, EveryEnvironmentRendersWithAnyDecayAndDamping) {
    const std::filesystem::path dir = makeScratchDir("soak-eax");
    ToneSpec tone;
    tone.seconds = 1.0;
    ASSERT_TRUE(writeTone(dir / "tone.wav", tone));
    engineUseTestLoopback(true);
    ASSERT_NE(BASS_Init(-1, 44100, DEVICE_3D, nullptr), 0);
    const std::string name = (dir / "tone.wav").string();
    const EngineHandle sample =
        BASS_SampleLoad(false, name.c_str(), 0, 0, 1, SAMPLE_3D | SAMPLE_LOOP);
    ASSERT_NE(sample, 0u);
    const BASS_3DVECTOR at{2.0f, 0.0f, 1.0f};
    ASSERT_NE(BASS_SamplePlay3DEx(sample, &at, nullptr, nullptr, 0, -1, 100, true), 0u);

    constexpr float decays[] = {0.1f, 0.2f, 0.3f, 0.5f, 0.704f, 1.0f, 2.0f, 5.0f, 20.0f};
    constexpr float dampings[] = {0.0f, 0.1f, 0.1098f, 0.5f, 2.0f};
    std::vector<float> out(2 * 256);
    for (std::int32_t environment = 0; environment < 26; ++environment)
        for (const float decay : decays)
            for (const float damping : dampings) {
                SCOPED_TRACE("environment " + std::to_string(environment) + ", decay " +
                             std::to_string(decay) + ", damping " + std::to_string(damping));
                ASSERT_EQ(BASS_SetEAXParameters(environment, 0.5f, decay, damping), 1);
                ASSERT_TRUE(engineRender(out.data(), 256));
                for (const float value : out)
                    ASSERT_TRUE(std::isfinite(value));
            }

    BASS_Free();
    engineUseTestLoopback(false);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

} // namespace
