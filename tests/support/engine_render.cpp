#include "tests/support/engine_render.h"

#include "engine/engine.h"
#include "engine/loopback.h"
#include "tests/support/sound_files.h"

#include <cmath>

StereoBuffer renderOutput(double seconds) {
    StereoBuffer out;
    out.rate = engineOutputFrequency();
    const auto frames = static_cast<int>(std::lround(seconds * out.rate));
    out.samples.assign(static_cast<std::size_t>(frames) * 2, 0.0f);
    EXPECT_TRUE(engineRender(out.samples.data(), frames));
    return out;
}

void EngineInScratchDir::SetUp() {
    previous = std::filesystem::current_path();
    dir = makeScratchDir("engine-test");
    std::filesystem::current_path(dir);
}

void EngineInScratchDir::TearDown() {
    BASS_Free();
    engineUseTestLoopback(false);
    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

void EngineInScratchDir::openEngine(int rate, std::uint32_t flags) {
    engineUseTestLoopback(true);
    ASSERT_NE(BASS_Init(-1, static_cast<std::uint32_t>(rate), flags, nullptr), 0);
}
