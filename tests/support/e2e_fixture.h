// Running the real server binary in a scratch directory.
#pragma once

#include "client/exchange_client.h"
#include "client/server_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

class RealServer : public ::testing::Test {
  protected:
    // Each test gets its own directory with a "work" folder below it, so the
    // configuration file in the parent belongs to the test alone.
    std::filesystem::path root;
    std::filesystem::path dir;
    ServerProcess server;

    void SetUp() override;
    void TearDown() override;

    // Starts the server with the null backend unless extra says otherwise.
    void start(const std::vector<std::string>& extraEnvironment = {});
    ExchangeResult send(const CommandBytes& command, int timeoutMs = 5000);
    // The opening command with the given output frequency and flags.
    ExchangeResult open(std::uint32_t frequency = 44100, std::uint32_t flags = 0);
    // Sends quit and returns the exit code.
    int quit();
    bool exists(const std::string& name) const;
};
