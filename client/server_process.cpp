#include "client/server_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

std::optional<ServerProcess> startServer(const std::filesystem::path& binary,
                                         const std::filesystem::path& dir,
                                         const std::vector<std::string>& environment) {
    const std::string binaryPath = std::filesystem::absolute(binary).string();
    const pid_t pid = fork();
    if (pid < 0)
        return std::nullopt;
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(127);
        for (const std::string& entry : environment)
            putenv(const_cast<char*>(entry.c_str()));
        execl(binaryPath.c_str(), binaryPath.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return ServerProcess{pid};
}

std::optional<int> waitForExit(ServerProcess& server, int timeoutMs) {
    if (server.pid <= 0)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(server.pid, &status, WNOHANG);
        if (done == server.pid) {
            server.pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (done < 0 && errno != EINTR)
            return std::nullopt;
        if (std::chrono::steady_clock::now() > deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void killServer(ServerProcess& server) {
    if (server.pid <= 0)
        return;
    kill(server.pid, SIGKILL);
    int status = 0;
    waitpid(server.pid, &status, 0);
    server.pid = -1;
}
