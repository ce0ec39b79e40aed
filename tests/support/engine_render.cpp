#include "tests/support/engine_render.h"

#include "engine/loopback.h"

#include <gtest/gtest.h>

#include <cmath>

StereoBuffer renderOutput(double seconds) {
    StereoBuffer out;
    out.rate = engineOutputFrequency();
    const auto frames = static_cast<int>(std::lround(seconds * out.rate));
    out.samples.assign(static_cast<std::size_t>(frames) * 2, 0.0f);
    EXPECT_TRUE(engineRender(out.samples.data(), frames));
    return out;
}
