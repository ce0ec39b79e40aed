// Running the soundctl binary from a test, its output caught in files.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace soundctl_test {

namespace fs = std::filesystem;

// soundctl is built beside the server binary.
inline fs::path soundctlBinary() {
    return fs::path(SOUNDSERVER_BINARY).parent_path() / "soundctl";
}

struct Finished {
    int exitCode = -1;
    std::string out;
    std::string err;
};

struct Running {
    pid_t pid = -1;
    fs::path out;
    fs::path err;
};

inline std::string readText(const fs::path& path) {
    std::ifstream input(path);
    std::stringstream text;
    text << input.rdbuf();
    return text.str();
}

// Starts soundctl with the arguments; its output goes to files in scratch.
inline Running startSoundctl(const std::vector<std::string>& args, const fs::path& scratch) {
    Running running{-1, scratch / "soundctl.out", scratch / "soundctl.err"};
    const std::string binary = soundctlBinary().string();
    std::vector<char*> argv{const_cast<char*>(binary.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, running.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, running.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (posix_spawn(&running.pid, binary.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        running.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return running;
}

// Whether the process has ended, without waiting.
inline std::optional<int> exitedAlready(Running& running) {
    int status = 0;
    if (running.pid <= 0 || waitpid(running.pid, &status, WNOHANG) != running.pid)
        return std::nullopt;
    running.pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

inline Finished finishSoundctl(Running& running) {
    Finished finished;
    if (running.pid > 0) {
        int status = 0;
        waitpid(running.pid, &status, 0);
        finished.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        running.pid = -1;
    }
    finished.out = readText(running.out);
    finished.err = readText(running.err);
    return finished;
}

inline Finished runSoundctl(const std::vector<std::string>& args, const fs::path& scratch) {
    Running running = startSoundctl(args, scratch);
    EXPECT_GT(running.pid, 0) << "cannot start " << soundctlBinary();
    return finishSoundctl(running);
}

inline void writeText(const fs::path& path, const std::string& text) {
    std::ofstream output(path);
    output << text;
}

} // namespace soundctl_test
