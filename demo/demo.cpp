// A short session with the real server in a scratch directory: one line per
// step, then the server's exit code.
#include "client/command_builder.h"
#include "client/exchange_client.h"
#include "client/server_process.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Session {
    fs::path dir;
    int failures = 0;

    ExchangeResult step(const char* what, const CommandBytes& command) {
        ExchangeOptions options;
        options.dir = dir;
        options.timeoutMs = 10000;
        const ExchangeResult result = exchange(command, options);
        std::printf("%-44s %s (%.2f ms)\n", what,
                    result.acknowledged ? "acknowledged" : "NO ANSWER", result.roundTripMs);
        if (!result.acknowledged)
            ++failures;
        return result;
    }
};

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const fs::path binary = argc > 1 ? fs::path(argv[1]) : fs::path(SOUNDSERVER_BINARY);
    const fs::path root =
        fs::temp_directory_path() / ("soundserver-demo-" + std::to_string(getpid()));
    Session session{root / "work"};
    fs::create_directories(session.dir);
    std::printf("exchange directory: %s\n", session.dir.c_str());

    auto server = startServer(binary, session.dir);
    if (!server) {
        std::printf("could not start %s\n", binary.c_str());
        return 1;
    }
    session.step("opening: 44100 Hz, 3D", CommandBytes(0).put32(2, 44100).put32(6, 4));
    session.step("set master volume 80", CommandBytes(17).put16(2, 80));
    session.step("set music and sample volumes 70, 90", CommandBytes(18).put16(2, 70).put16(4, 90));
    session.step("undefined code 2", CommandBytes(2));
    session.step("quit", CommandBytes(1));
    const auto exitCode = waitForExit(*server, 10000);
    if (exitCode)
        std::printf("server exit code: %d\n", *exitCode);
    else
        std::printf("server did not end\n");
    killServer(*server);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return session.failures == 0 && exitCode == 1 ? 0 : 1;
}
