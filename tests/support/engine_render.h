// Engine tests: the engine opened on its loopback device inside a scratch
// directory, and its output rendered for the test to look at.
#pragma once

#include "tests/support/analysis.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

// The next `seconds` of output, with the engine's own rate; a failed render
// is a test failure.
StereoBuffer renderOutput(double seconds);

// Each test runs in a fresh scratch directory that is the current one, where
// client file names and the CD source are looked for.
class EngineInScratchDir : public ::testing::Test {
  protected:
    std::filesystem::path previous;
    std::filesystem::path dir;

    void SetUp() override;
    // Frees the engine, then leaves and removes the directory.
    void TearDown() override;
    // Opens the engine on the loopback device: nothing sounds until render.
    void openEngine(int rate, std::uint32_t flags = 0);
    StereoBuffer render(double seconds) { return renderOutput(seconds); }
};
