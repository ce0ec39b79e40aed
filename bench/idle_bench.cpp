// The server at rest and its memory: whole-process CPU while it waits for a
// command with the output device open, and its resident memory once 1024
// one-second samples are loaded, beside the PCM bytes those samples hold.
//   idle_bench [--seconds S] [--samples N]
#include "bench/bench_support.h"

#include "client/command_builder.h"
#include "client/exchange_client.h"
#include "client/server_process.h"
#include "tests/support/sound_files.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <thread>

namespace {

namespace fs = std::filesystem;

constexpr double IDLE_GOAL_PERCENT = 1.0;
constexpr double MEMORY_GOAL_FACTOR = 1.25;
constexpr double MEMORY_GOAL_EXTRA_MB = 30.0;
constexpr double MB = 1024.0 * 1024.0;
constexpr int SAMPLE_RATE = 44100;
constexpr int BYTES_PER_FRAME = 2; // 16-bit mono
constexpr int SETTLE_MS = 1000;

struct ThreadCpu {
    std::string name;
    double seconds = 0.0;
};

// Every thread of the process with its CPU seconds so far.
std::map<std::string, ThreadCpu> threadCpu(pid_t pid) {
    std::map<std::string, ThreadCpu> threads;
    std::error_code error;
    const fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : fs::directory_iterator(tasks, error)) {
        const std::string tid = task.path().filename().string();
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        const auto id = static_cast<pid_t>(std::stoi(tid));
        // Only the main thread can be told apart by its id: it polls for the signal file.
        if (id == pid)
            name += " (main: polls the signal file)";
        threads[tid] = {name, threadCpuSeconds(pid, id)};
    }
    return threads;
}

} // namespace

int main(int argc, char** argv) {
    const double idleSeconds = numberOption(argc, argv, "seconds", 30);
    const int samples = static_cast<int>(numberOption(argc, argv, "samples", 1024));
    const fs::path root = makeScratchDir("bench-idle");
    const fs::path dir = root / "work";
    fs::create_directories(dir);
    ToneSpec tone;
    tone.seconds = 1.0;
    tone.sampleRate = SAMPLE_RATE;
    if (!writeTone(dir / "second.wav", tone)) {
        std::fprintf(stderr, "idle_bench: cannot write the sample file\n");
        return 1;
    }
    auto server = startServer(SOUNDSERVER_BINARY, dir, serverEnvironment());
    if (!server) {
        std::fprintf(stderr, "idle_bench: cannot start %s\n", SOUNDSERVER_BINARY);
        return 1;
    }
    ExchangeOptions options;
    options.dir = dir;
    if (!exchange(CommandBytes(0).put32(2, SAMPLE_RATE).put32(6, 0), options).acknowledged) {
        std::fprintf(stderr, "idle_bench: the server did not open\n");
        killServer(*server);
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(SETTLE_MS));
    const long long restingBytes = residentBytes(server->pid);
    const auto threadsBefore = threadCpu(server->pid);
    const double cpuBefore = processCpuSeconds(server->pid);
    const double wallBefore = nowSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
    const double cpuUsed = processCpuSeconds(server->pid) - cpuBefore;
    const double wall = nowSeconds() - wallBefore;
    const double idlePercent = 100.0 * cpuUsed / wall;
    Table threads{"The waiting server's threads", {"thread", "id", "cpu s", "% of a core"}, {}};
    for (const auto& [tid, after] : threadCpu(server->pid)) {
        const auto before = threadsBefore.find(tid);
        const double used =
            after.seconds - (before != threadsBefore.end() ? before->second.seconds : 0.0);
        threads.rows.push_back({after.name, tid, fixed(used, 3), fixed(100.0 * used / wall, 3)});
    }

    int loaded = 0;
    const double loadStart = nowSeconds();
    for (int slot = 1; slot <= samples; ++slot)
        if (exchange(
                CommandBytes(3).put16(2, static_cast<std::uint32_t>(slot)).putText("second.wav"),
                options)
                .acknowledged)
            ++loaded;
    const double loadSeconds = nowSeconds() - loadStart;
    std::this_thread::sleep_for(std::chrono::milliseconds(SETTLE_MS));
    const long long loadedBytes = residentBytes(server->pid);
    const double pcmBytes = static_cast<double>(loaded) * SAMPLE_RATE * BYTES_PER_FRAME;
    const double goalBytes = MEMORY_GOAL_FACTOR * pcmBytes + MEMORY_GOAL_EXTRA_MB * MB;

    exchange(CommandBytes(1), options);
    if (!waitForExit(*server, 30000))
        killServer(*server);
    std::error_code ignored;
    fs::remove_all(root, ignored);

    Table idle{
        "Server waiting for a command, output device open (" + serverEnvironment()[0] + ")",
        {"seconds", "cpu s", "% of a core", "goal %", "result"},
        {{fixed(wall, 1), fixed(cpuUsed, 3), fixed(idlePercent, 3), fixed(IDLE_GOAL_PERCENT, 1),
          idlePercent <= IDLE_GOAL_PERCENT ? "met" : "MISSED"}}};
    printTable(idle);
    printTable(threads);
    Table memory{"Resident memory with one-second samples loaded (16-bit mono, 44100 Hz)",
                 {"samples", "load s", "PCM MB", "VmRSS at rest MB", "VmRSS loaded MB",
                  "growth/PCM", "goal MB", "result"},
                 {{std::to_string(loaded), fixed(loadSeconds, 2), fixed(pcmBytes / MB, 1),
                   fixed(static_cast<double>(restingBytes) / MB, 1),
                   fixed(static_cast<double>(loadedBytes) / MB, 1),
                   fixed(static_cast<double>(loadedBytes - restingBytes) / pcmBytes, 3),
                   fixed(goalBytes / MB, 1),
                   static_cast<double>(loadedBytes) <= goalBytes ? "met" : "MISSED"}}};
    printTable(memory);
    writeCsv(idle, "idle.csv");
    writeCsv(memory, "memory.csv");
    std::printf("written: %s, %s\n", (resultsDir() / "idle.csv").c_str(),
                (resultsDir() / "memory.csv").c_str());
    return loaded == samples ? 0 : 1;
}
