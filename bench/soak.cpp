// Soak: a long random but valid session through the real binary, printing
// the server's resident memory and open files as it goes; every command must
// be acknowledged, and memory and files must level off. Then the same
// session carried out in-process on the real engine, ending with every slot
// freed and the engine's live objects counted.
//
// Usage: soak [--commands N] [--in-process-commands N] [--interval N] [--seed N]
//   defaults: 200000 commands through the binary (about 7 to 10 minutes),
//   as many in-process, a report every 10000 commands, seed 1.
#include "bench/bench_support.h"
#include "client/command_builder.h"
#include "client/exchange_client.h"
#include "client/server_process.h"
#include "engine/engine.h"
#include "engine/loopback.h"
#include "link/command_block.h"
#include "samples/sample_table.h"
#include "server/dispatch.h"
#include "server/startup_state.h"
#include "server/trig_tables.h"
#include "tests/engine/soak_session.h"
#include "tracks/track_table.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int RENDER_FRAMES_BETWEEN = 64;

struct Usage {
    long long residentKb = 0;
    int openFiles = 0;
};

int openFiles(pid_t pid) {
    std::error_code error;
    int count = 0;
    for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", error), end;
         !error && it != end; it.increment(error))
        ++count;
    return count;
}

Usage usageOf(pid_t pid) {
    return {residentBytes(pid) / 1024, openFiles(pid)};
}

void printUsage(const char* when, long long commands, const Usage& usage, double seconds) {
    std::printf("  %-10s %9lld commands  VmRSS %8lld kB  open files %4d  %7.1f s\n", when, commands,
                usage.residentKb, usage.openFiles, seconds);
    std::fflush(stdout);
}

fs::path sessionDir(const std::string& stem) {
    const fs::path dir = fs::temp_directory_path() / (stem + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

bool throughBinary(long long commands, long long interval, std::uint32_t seed) {
    const fs::path dir = sessionDir("soak-exchange");
    if (!soak::writeSessionFiles(dir)) {
        std::fprintf(stderr, "cannot write the session's sound files\n");
        return false;
    }
    auto server = startServer(SOUNDSERVER_BINARY, dir, serverEnvironment());
    if (!server) {
        std::fprintf(stderr, "cannot start %s\n", SOUNDSERVER_BINARY);
        return false;
    }
    ExchangeOptions options;
    options.dir = dir;
    options.pollMicroseconds = 50;
    const double started = nowSeconds();
    if (!exchange(CommandBytes(0).put32(2, 44100).put32(6, DEVICE_3D), options).acknowledged) {
        std::fprintf(stderr, "the opening command was not acknowledged\n");
        killServer(*server);
        return false;
    }
    std::printf("through %s, %lld commands, seed %u:\n", SOUNDSERVER_BINARY, commands, seed);
    const Usage start = usageOf(server->pid);
    printUsage("start", 0, start, 0.0);
    Usage peak = start;
    Usage half = start;
    soak::Session session(seed);
    bool ok = true;
    long long sent = 0;
    for (; ok && sent < commands; ++sent) {
        const CommandBytes command = session.next();
        if (!exchange(command, options).acknowledged) {
            std::fprintf(stderr, "command %lld (code %u) was not acknowledged\n", sent,
                         command.bytes[0] | command.bytes[1] << 8);
            ok = false;
            break;
        }
        if ((sent + 1) % interval == 0) {
            const Usage now = usageOf(server->pid);
            peak.residentKb = std::max(peak.residentKb, now.residentKb);
            peak.openFiles = std::max(peak.openFiles, now.openFiles);
            if (sent + 1 <= commands / 2)
                half = now;
            printUsage("interval", sent + 1, now, nowSeconds() - started);
        }
    }
    const Usage sessionEnd = usageOf(server->pid);
    for (const CommandBytes& command : session.freeEverything())
        ok = ok && exchange(command, options).acknowledged;
    const Usage freed = usageOf(server->pid);
    printUsage("end", sent, sessionEnd, nowSeconds() - started);
    printUsage("all freed", sent, freed, nowSeconds() - started);
    exchange(CommandBytes(1), options);
    const auto exitCode = waitForExit(*server, 10000);
    killServer(*server);
    fs::remove_all(dir);
    std::printf("  peak: VmRSS %lld kB, open files %d; second half grew VmRSS by %lld kB and "
                "open files by %d; exit code %d\n",
                peak.residentKb, peak.openFiles, sessionEnd.residentKb - half.residentKb,
                sessionEnd.openFiles - half.openFiles, exitCode ? *exitCode : -1);
    if (freed.openFiles != start.openFiles)
        std::printf("  open files at the end differ from the start: %d against %d\n",
                    freed.openFiles, start.openFiles);
    return ok && freed.openFiles == start.openFiles;
}

bool inProcess(long long commands, long long interval, std::uint32_t seed) {
    const fs::path dir = sessionDir("soak-in-process");
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    bool ok = soak::writeSessionFiles(dir);
    engineUseTestLoopback(true);
    ok = ok && BASS_Init(-1, 44100, DEVICE_3D, nullptr) != 0;
    if (!ok) {
        std::fprintf(stderr, "the in-process engine did not open\n");
        fs::current_path(previous);
        return false;
    }
    buildTrigTables();
    no3D = false;
    std::printf("in-process on the real engine, %lld commands, seed %u:\n", commands, seed);
    const double started = nowSeconds();
    printUsage("start", 0, usageOf(getpid()), 0.0);
    soak::Session session(seed);
    std::vector<float> scratch(2 * RENDER_FRAMES_BETWEEN);
    for (long long k = 0; k < commands; ++k) {
        commandBlock.bytes = session.next().bytes;
        carryOutCommand();
        engineRender(scratch.data(), RENDER_FRAMES_BETWEEN);
        if ((k + 1) % interval == 0)
            printUsage("interval", k + 1, usageOf(getpid()), nowSeconds() - started);
    }
    for (const CommandBytes& command : session.freeEverything()) {
        commandBlock.bytes = command.bytes;
        carryOutCommand();
    }
    engineRender(scratch.data(), RENDER_FRAMES_BETWEEN);
    const EngineCounts live = engineLiveObjects();
    printUsage("all freed", commands, usageOf(getpid()), nowSeconds() - started);
    std::printf("  left in the engine after freeing every slot: %d samples, %d channels, "
                "%d streams, %d musics\n",
                live.samples, live.channels, live.streams, live.musics);
    BASS_Free();
    sampleTableReset();
    trackTableReset();
    fs::current_path(previous);
    fs::remove_all(dir);
    return live.samples == 0 && live.channels == 0 && live.streams == 0 && live.musics == 0;
}

} // namespace

int main(int argc, char** argv) {
    const auto commands = static_cast<long long>(numberOption(argc, argv, "commands", 200000));
    const auto inProcessCommands = static_cast<long long>(
        numberOption(argc, argv, "in-process-commands", static_cast<double>(commands)));
    const auto interval =
        std::max(1LL, static_cast<long long>(numberOption(argc, argv, "interval", 10000)));
    const auto seed = static_cast<std::uint32_t>(numberOption(argc, argv, "seed", 1));
    const bool exchanged = commands <= 0 || throughBinary(commands, interval, seed);
    for (const std::string& entry : serverEnvironment()) {
        const std::size_t equals = entry.find('=');
        setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
    }
    const bool clean = inProcessCommands <= 0 || inProcess(inProcessCommands, interval, seed);
    return exchanged && clean ? 0 : 1;
}
