// Starting the server binary in an exchange directory and waiting for it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

struct ServerProcess {
    pid_t pid = -1;
};

// Starts the binary with the directory as its current directory, with the
// extra environment variables given (NAME=value) added to its own.
std::optional<ServerProcess> startServer(const std::filesystem::path& binary,
                                         const std::filesystem::path& dir,
                                         const std::vector<std::string>& environment = {});

// The exit code once the process has ended, or nothing after the time-out.
std::optional<int> waitForExit(ServerProcess& server, int timeoutMs);

// Ends the process if it is still running.
void killServer(ServerProcess& server);
