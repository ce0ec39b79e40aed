// Sample figures: a play (code 4) and a full flat batch (code 19, 63 plays)
// from signal to acknowledgement through the real binary; the same commands
// carried out in-process on the real engine; and loading 1024 one-second
// 44.1 kHz WAV samples through the engine, with the memory they take.
//
// Usage: sample_bench [path of soundserver, default build/soundserver]
#include "client/command_builder.h"
#include "client/exchange_client.h"
#include "client/server_process.h"
#include "engine/engine.h"
#include "engine/loopback.h"
#include "link/command_block.h"
#include "server/dispatch.h"
#include "server/trig_tables.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int ROUNDS = 200;
constexpr int FLAT_BATCH_ENTRIES = 63;
constexpr int LOADED_SAMPLES = 1024;
constexpr int WAV_RATE = 44100;

double nowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Figures {
    double median;
    double p99;
};

Figures summarize(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) {
        const auto index = static_cast<std::size_t>(q * static_cast<double>(values.size()));
        return values[std::min(values.size() - 1, index)];
    };
    return {at(0.5), at(0.99)};
}

void put16(std::ofstream& out, std::uint32_t value) {
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)};
    out.write(bytes, 2);
}

void put32(std::ofstream& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// A mono 16-bit PCM WAV of a sine tone.
bool writeToneWav(const fs::path& path, double seconds, double hz) {
    const auto frames = static_cast<std::uint32_t>(seconds * WAV_RATE);
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    put32(out, 36 + frames * 2);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1);
    put16(out, 1);
    put32(out, WAV_RATE);
    put32(out, WAV_RATE * 2);
    put16(out, 2);
    put16(out, 16);
    out.write("data", 4);
    put32(out, frames * 2);
    std::vector<std::int16_t> pcm(frames);
    for (std::uint32_t i = 0; i < frames; ++i)
        pcm[i] = static_cast<std::int16_t>(
            std::lround(12000.0 * std::sin(2.0 * std::numbers::pi * hz * i / WAV_RATE)));
    out.write(reinterpret_cast<const char*>(pcm.data()),
              static_cast<std::streamsize>(pcm.size() * 2));
    return static_cast<bool>(out);
}

fs::path scratchDir(const std::string& stem) {
    const fs::path dir = fs::temp_directory_path() / (stem + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "work");
    return dir;
}

long long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    return 0;
}

CommandBytes playCommand() {
    return CommandBytes(4).put16(2, 1).put32(4, 0xFFFFFF).put16(8, 60).put16(10, 100).put16(12, 0);
}

CommandBytes flatBatchCommand() {
    CommandBytes batch(19);
    batch.put16(2, 0).put16(4, 0).put16(6, 270).put16(8, FLAT_BATCH_ENTRIES);
    for (int k = 0; k < FLAT_BATCH_ENTRIES; ++k) {
        const std::size_t entry = 12 + 16 * static_cast<std::size_t>(k);
        batch.put16(entry, static_cast<std::uint32_t>(k + 1))
            .put32(entry + 2, 0xFFFFFF)
            .put16(entry + 6, 100)
            .put16(entry + 8, static_cast<std::uint32_t>(k % 7))
            .put16(entry + 10, static_cast<std::uint32_t>(k % 5));
    }
    return batch;
}

CommandBytes loadCommand(int slot) {
    return CommandBytes(3).put16(2, static_cast<std::uint32_t>(slot)).putText("boom.wav");
}

bool throughBinary(const fs::path& binary) {
    const fs::path root = scratchDir("sample-bench-exchange");
    const fs::path dir = root / "work";
    if (!writeToneWav(dir / "boom.wav", 0.05, 441.0))
        return false;
    auto server = startServer(
        binary, dir, {"ALSOFT_DRIVERS=null", std::string("ALSOFT_CONF=") + SAMPLE_BENCH_CONF});
    if (!server) {
        std::fprintf(stderr, "cannot start %s\n", binary.c_str());
        return false;
    }
    ExchangeOptions options;
    options.dir = dir;
    options.pollMicroseconds = 20;
    bool ok = exchange(CommandBytes(0).put32(2, 44100).put32(6, 0), options).acknowledged;
    for (int slot = 1; ok && slot <= FLAT_BATCH_ENTRIES; ++slot)
        ok = exchange(loadCommand(slot), options).acknowledged;
    std::vector<double> play;
    std::vector<double> batch;
    for (int k = 0; ok && k < ROUNDS; ++k) {
        const ExchangeResult one = exchange(playCommand(), options);
        const ExchangeResult many = exchange(flatBatchCommand(), options);
        ok = one.acknowledged && many.acknowledged;
        play.push_back(one.roundTripMs);
        batch.push_back(many.roundTripMs);
    }
    exchange(CommandBytes(1), options);
    waitForExit(*server, 10000);
    killServer(*server);
    fs::remove_all(root);
    if (!ok) {
        std::fprintf(stderr, "an exchange was not acknowledged\n");
        return false;
    }
    const Figures p = summarize(play);
    const Figures b = summarize(batch);
    std::printf("through %s, signal to acknowledgement, %d rounds (ms):\n", binary.c_str(), ROUNDS);
    std::printf("  code 4 play sample         median %7.3f  p99 %7.3f\n", p.median, p.p99);
    std::printf("  code 19 flat batch (63)    median %7.3f  p99 %7.3f\n", b.median, b.p99);
    return true;
}

// The commands as the dispatcher carries them out, on the real engine,
// without the exchange files and their polling.
void inProcess() {
    buildTrigTables();
    for (int slot = 1; slot <= FLAT_BATCH_ENTRIES; ++slot) {
        commandBlock.bytes = loadCommand(slot).bytes;
        carryOutCommand();
    }
    std::vector<double> play;
    std::vector<double> batch;
    float scratch[2 * 64];
    for (int k = 0; k < ROUNDS; ++k) {
        commandBlock.bytes = playCommand().bytes;
        double start = nowMs();
        carryOutCommand();
        play.push_back(nowMs() - start);
        commandBlock.bytes = flatBatchCommand().bytes;
        start = nowMs();
        carryOutCommand();
        batch.push_back(nowMs() - start);
        engineRender(scratch, 64);
    }
    const Figures p = summarize(play);
    const Figures b = summarize(batch);
    std::printf("in-process on the real engine (ms):\n");
    std::printf("  code 4 play sample         median %7.4f  p99 %7.4f\n", p.median, p.p99);
    std::printf("  code 19 flat batch (63)    median %7.4f  p99 %7.4f\n", b.median, b.p99);
}

void loading(const fs::path& dir) {
    std::vector<std::string> names;
    for (int k = 0; k < LOADED_SAMPLES; ++k) {
        names.push_back((dir / ("s" + std::to_string(k) + ".wav")).string());
        writeToneWav(names.back(), 1.0, 200.0 + k);
    }
    const long long before = residentKb();
    const double start = nowMs();
    int loaded = 0;
    for (const std::string& name : names)
        loaded += BASS_SampleLoad(false, name.c_str(), 0, 0, 10, 0x20000) != 0 ? 1 : 0;
    const double elapsed = nowMs() - start;
    const long long grown = residentKb() - before;
    const double pcmMb = LOADED_SAMPLES * WAV_RATE * 2.0 / (1024.0 * 1024.0);
    std::printf("loading %d one-second 44.1 kHz mono 16-bit WAV samples through the engine:\n",
                LOADED_SAMPLES);
    std::printf("  loaded %d in %.1f ms (%.3f ms each)\n", loaded, elapsed,
                elapsed / LOADED_SAMPLES);
    std::printf("  resident memory grew by %.1f MB for %.1f MB of PCM (goal: under %.1f MB)\n",
                static_cast<double>(grown) / 1024.0, pcmMb, 1.25 * pcmMb + 30.0);
}

} // namespace

int main(int argc, char** argv) {
    const fs::path binary = argc > 1 ? fs::path(argv[1]) : fs::path("build/soundserver");
    const bool exchanged = throughBinary(binary);

    setenv("ALSOFT_DRIVERS", "null", 1);
    setenv("ALSOFT_CONF", SAMPLE_BENCH_CONF, 1);
    const fs::path root = scratchDir("sample-bench-engine");
    const fs::path dir = root / "work";
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    engineUseTestLoopback(true);
    if (BASS_Init(-1, 44100, 0, nullptr) == 0) {
        std::fprintf(stderr, "the engine did not open\n");
        return 1;
    }
    writeToneWav(dir / "boom.wav", 0.05, 441.0);
    inProcess();
    BASS_Free();
    if (BASS_Init(-1, 44100, 0, nullptr) == 0)
        return 1;
    loading(dir);
    BASS_Free();
    fs::current_path(previous);
    fs::remove_all(root);
    return exchanged ? 0 : 1;
}
