// Running the server core in-process against the recording engine.
#pragma once

#include "client/command_builder.h"
#include "tests/support/recording_engine.h"
#include "tests/support/scratch_dir.h"

#include <gtest/gtest.h>

// Puts the core's state (blocks, tables, listener, scale, 3D mode) and the
// recorder back to the start-up state.
void resetServerState();

// Copies the command into the command block and carries it out, without the
// exchange files. Returns what the dispatcher would.
int runCommand(const CommandBytes& command);

// Runs in a scratch directory of its own, so that replies written by queries
// never land in the source tree.
class ServerLogic : public InScratchDir {
  protected:
    void SetUp() override {
        InScratchDir::SetUp();
        resetServerState();
    }
};
