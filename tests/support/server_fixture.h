// Running the server core in-process against the recording engine.
#pragma once

#include "client/command_builder.h"
#include "tests/support/recording_engine.h"

#include <gtest/gtest.h>

// Puts the core's state (blocks, tables, listener, scale, 3D mode) and the
// recorder back to the start-up state.
void resetServerState();

// Copies the command into the command block and carries it out, without the
// exchange files. Returns what the dispatcher would.
int runCommand(const CommandBytes& command);

class ServerLogic : public ::testing::Test {
  protected:
    void SetUp() override { resetServerState(); }
};
