// Sending one prepared command to the server in the exchange directory and
// saying plainly what went wrong when no server answers.
#pragma once

#include "client/exchange_client.h"
#include "client/server_process.h"
#include "tools/command_line.h"

#include <optional>
#include <string>
#include <vector>

struct SendOutcome {
    bool acknowledged = false;
    std::optional<ReplyBytes> reply;
    double roundTripMs = 0.0;
    std::string problem; // why the command was not acknowledged, or its reply missing
};

SendOutcome sendCommand(const PreparedCommand& command, const GlobalOptions& options);

// The server binary beside soundctl's own executable, else build/soundserver.
std::filesystem::path defaultServerBinary();

struct LaunchOptions {
    std::filesystem::path binary;
    std::vector<std::string> environment; // NAME=value added to our own
};

// Takes --binary and --env NAME=VALUE out of the words; returns a message or "".
std::string takeLaunchOptions(std::vector<std::string>& words, LaunchOptions& launch);

// Starts the server in the directory (made when missing); a message on failure.
std::optional<ServerProcess> launchServer(const std::filesystem::path& dir,
                                          const LaunchOptions& launch, std::string& problem);

// How a server process ended, in words.
std::string describeExit(int code);
