// A test double of the audio engine: records every call with its arguments
// as one line of text, and answers with scripted results.
#pragma once

#include "engine/engine.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct RecordingEngine {
    std::vector<std::string> calls;
    // Results handed out in order per call name; when a queue is empty the
    // call returns defaultResults[name], or 1 when none is set.
    std::map<std::string, std::deque<std::uint32_t>> results;
    std::map<std::string, std::uint32_t> defaultResults;
    // What BASS_SampleGetInfo fills in, per sample handle. A handle without an
    // entry leaves the record untouched and fails.
    std::map<EngineHandle, BASS_SAMPLE> sampleInfo;
    // Called with each call line as it is recorded.
    std::function<void(const std::string&)> onCall;
};

// The one engine the server core talks to in unit tests.
RecordingEngine& recorder();
// Clears calls and scripts.
void resetRecorder();

// Text forms used in the call lines, for building expected lines in tests.
std::string floatText(float value);
std::string vectorText(const BASS_3DVECTOR* vector);

// The calls whose names start with the given prefix, in order.
std::vector<std::string> callsNamed(const std::string& prefix);
