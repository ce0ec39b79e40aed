#include "tools/session.h"

#include <chrono>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr const char* SIGNAL_FILE = "TILVO.QBS";
// Exit codes of the server process.
constexpr int EXIT_AFTER_QUIT = 1;
constexpr int EXIT_HANDSHAKE_FAILED = 0;

bool waitUntilGone(const fs::path& path, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::error_code error;
    while (fs::exists(path, error)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::string dirText(const fs::path& dir) {
    return "'" + dir.string() + "'";
}

} // namespace

SendOutcome sendCommand(const PreparedCommand& command, const GlobalOptions& options) {
    SendOutcome outcome;
    std::error_code error;
    if (!fs::is_directory(options.dir, error)) {
        outcome.problem = "the exchange directory " + dirText(options.dir) + " does not exist";
        return outcome;
    }
    const fs::path signal = options.dir / SIGNAL_FILE;
    // A pending signal belongs to a command still being carried out, or to a
    // client that gave up while no server was running: never overwrite it.
    if (!waitUntilGone(signal, options.timeoutMs)) {
        outcome.problem = "a command is still pending in " + dirText(options.dir) + " (" +
                          SIGNAL_FILE + " stayed for " + std::to_string(options.timeoutMs) +
                          " ms): no server is taking commands there; a signal file left by an "
                          "earlier client can be deleted";
        return outcome;
    }
    ExchangeOptions exchangeOptions;
    exchangeOptions.dir = options.dir;
    exchangeOptions.timeoutMs = options.timeoutMs;
    exchangeOptions.pollMicroseconds = options.pollMicroseconds;
    exchangeOptions.commandFileBytes = command.size;
    const ExchangeResult result = exchange(command.bytes, exchangeOptions);
    outcome.roundTripMs = result.roundTripMs;
    if (!result.acknowledged) {
        // Withdraw the command, so that a server started later does not carry
        // out a command whose sender has given up on it.
        fs::remove(signal, error);
        outcome.problem = "no server answered in " + dirText(options.dir) + " within " +
                          std::to_string(options.timeoutMs) +
                          " ms (is one running there? start one with: soundctl serve --dir " +
                          options.dir.string() + ")";
        return outcome;
    }
    outcome.acknowledged = true;
    outcome.reply = result.reply;
    return outcome;
}

fs::path defaultServerBinary() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path beside = self.parent_path() / "soundserver";
        if (fs::exists(beside, error))
            return beside;
    }
    return "build/soundserver";
}

std::string takeLaunchOptions(std::vector<std::string>& words, LaunchOptions& launch) {
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word != "--binary" && word != "--env") {
            rest.push_back(word);
            continue;
        }
        if (i + 1 >= words.size())
            return word + " needs a value";
        const std::string& value = words[++i];
        if (word == "--binary") {
            launch.binary = value;
        } else {
            if (value.find('=') == std::string::npos || value.starts_with('='))
                return "--env " + value + ": expected NAME=VALUE";
            launch.environment.push_back(value);
        }
    }
    words = std::move(rest);
    return {};
}

std::optional<ServerProcess> launchServer(const fs::path& dir, const LaunchOptions& launch,
                                          std::string& problem) {
    const fs::path binary = launch.binary.empty() ? defaultServerBinary() : launch.binary;
    std::error_code error;
    if (access(binary.c_str(), X_OK) != 0) {
        problem = "cannot run the server binary '" + binary.string() + "' (give it with --binary)";
        return std::nullopt;
    }
    fs::create_directories(dir, error);
    if (!fs::is_directory(dir, error)) {
        problem = "cannot make the exchange directory " + dirText(dir);
        return std::nullopt;
    }
    auto server = startServer(binary, dir, launch.environment);
    if (!server)
        problem = "cannot start " + binary.string();
    return server;
}

std::string describeExit(int code) {
    if (code == EXIT_AFTER_QUIT)
        return "the server ended after quit (exit code 1)";
    if (code == EXIT_HANDSHAKE_FAILED)
        return "the server ended with exit code 0: the opening handshake failed";
    if (code == 127)
        return "the server could not be started (exit code 127)";
    if (code > 128)
        return "the server was ended by signal " + std::to_string(code - 128);
    return "the server ended with exit code " + std::to_string(code);
}
