// Rendering the engine's loopback output for a test to look at.
#pragma once

#include "tests/support/analysis.h"

// The next `seconds` of output, with the engine's own rate; a failed render
// is a test failure.
StereoBuffer renderOutput(double seconds);
