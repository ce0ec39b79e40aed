// Round trips through the real server binary: from the signal file's
// creation to its disappearance, command after command, beside the floor
// that the exchange itself sets (the 2 ms pause after each acknowledgement).
//   exchange_bench [--iterations N]
#include "bench/bench_support.h"

#include "client/command_builder.h"
#include "client/exchange_client.h"
#include "client/server_process.h"
#include "tests/support/sound_files.h"

#include <cstdio>
#include <functional>

namespace {

namespace fs = std::filesystem;

constexpr double ACK_PAUSE_MS = 2.0;
constexpr double GOAL_OVER_FLOOR_MS = 0.2;
// Fine polling, so that the client's own wait adds little to the figure.
constexpr int POLL_MICROSECONDS = 10;
constexpr int WARM_UP = 50;
constexpr int FLAT_ENTRIES = 63;
constexpr int THREE_D_ENTRIES = 20;
constexpr std::uint32_t DEVICE_3D = 4;
constexpr std::uint32_t NO_VALUE24 = 0xFFFFFF;

struct Case {
    std::uint16_t code;
    std::string what;
    bool load; // loads are exempt from the goal
    int iterations;
    std::function<CommandBytes(int)> block;
};

CommandBytes playFlatBatch() {
    CommandBytes block(19);
    block.put16(2, 0).put16(4, 0).put16(6, 270).put16(8, FLAT_ENTRIES);
    for (int k = 0; k < FLAT_ENTRIES; ++k) {
        const std::size_t at = 12 + 16 * static_cast<std::size_t>(k);
        block.put16(at, static_cast<std::uint32_t>(k + 1)).put32(at + 2, NO_VALUE24);
        block.put16(at + 6, 20).put16(at + 8, static_cast<std::uint32_t>(k % 7));
        block.put16(at + 10, static_cast<std::uint32_t>(k % 5));
    }
    return block;
}

CommandBytes play3DBatch() {
    CommandBytes block(20);
    block.putVector(2, 0, 0, 0).putVector(14, 0, 0, 0).putVector(26, 0, 0, 1);
    block.putVector(38, 0, 1, 0).put16(50, THREE_D_ENTRIES);
    for (int k = 0; k < THREE_D_ENTRIES; ++k) {
        const std::size_t at = 52 + 48 * static_cast<std::size_t>(k);
        block.put16(at + 2, static_cast<std::uint32_t>(k + 1)).put32(at + 4, NO_VALUE24);
        block.put16(at + 8, 20).put16(at + 10, 0);
        block.putVector(at + 12, static_cast<float>(k % 5) - 2.0f, 0.0f, 2.0f);
        block.putVector(at + 24, 0, 0, 0).putVector(at + 36, 0, 0, 0);
    }
    return block;
}

} // namespace

int main(int argc, char** argv) {
    const int iterations = static_cast<int>(numberOption(argc, argv, "iterations", 1000));
    const fs::path root = makeScratchDir("bench-exchange");
    const fs::path dir = root / "work";
    fs::create_directories(dir);
    ToneSpec tone;
    tone.seconds = 0.25;
    ToneSpec stream;
    stream.seconds = 30.0;
    stream.channels = 2;
    if (!writeTone(dir / "tone.wav", tone) || !writeTone(dir / "stream.wav", stream)) {
        std::fprintf(stderr, "exchange_bench: cannot write the sound files\n");
        return 1;
    }
    auto server = startServer(SOUNDSERVER_BINARY, dir, serverEnvironment());
    if (!server) {
        std::fprintf(stderr, "exchange_bench: cannot start %s\n", SOUNDSERVER_BINARY);
        return 1;
    }
    ExchangeOptions options;
    options.dir = dir;
    options.pollMicroseconds = POLL_MICROSECONDS;
    const auto send = [&](const CommandBytes& block) { return exchange(block, options); };
    bool ready = send(CommandBytes(0).put32(2, 44100).put32(6, DEVICE_3D)).acknowledged;
    for (int slot = 1; ready && slot <= FLAT_ENTRIES; ++slot)
        ready = send(CommandBytes(3).put16(2, static_cast<std::uint32_t>(slot)).putText("tone.wav"))
                    .acknowledged;
    ready =
        ready && send(CommandBytes(7).put16(2, 1).putText("stream.wav").put16(72, 1)).acknowledged;
    ready = ready && send(CommandBytes(8).put16(2, 1)).acknowledged;
    if (!ready) {
        std::fprintf(stderr, "exchange_bench: the server did not take the set-up commands\n");
        killServer(*server);
        return 1;
    }

    const std::vector<Case> cases{
        {2, "no operation (a gap)", false, iterations, [](int) { return CommandBytes(2); }},
        {4, "play sample", false, iterations,
         [](int) {
             return CommandBytes(4).put16(2, 1).put32(4, NO_VALUE24).put16(8, 20).put16(10, 100);
         }},
        {19, "play flat batch (63 entries)", false, iterations,
         [block = playFlatBatch()](int) { return block; }},
        {20, "play 3D batch (20 entries)", false, iterations,
         [block = play3DBatch()](int) { return block; }},
        {21, "get track length", false, iterations,
         [](int) { return CommandBytes(21).put16(2, 1); }},
        {23, "get track position", false, iterations,
         [](int) { return CommandBytes(23).put16(2, 1); }},
        {3, "load sample (0.25 s WAV)", true, std::max(1, iterations / 10),
         [](int i) {
             return CommandBytes(3)
                 .put16(2, static_cast<std::uint32_t>(100 + i % 900))
                 .putText("tone.wav");
         }},
    };

    Table table{"Exchange round trips through build/soundserver (null backend), floor = the " +
                    fixed(ACK_PAUSE_MS, 1) + " ms pause after each acknowledgement",
                {"code", "command", "n", "median ms", "p99 ms", "floor ms", "median-floor",
                 "cmds/s", "goal"},
                {}};
    // The codes take turns, so that a change in the machine's load while the
    // benchmark runs falls on every code alike.
    for (int i = 0; i < WARM_UP; ++i)
        for (const Case& item : cases)
            if (!item.load)
                send(item.block(i));
    std::vector<std::vector<double>> times(cases.size());
    std::vector<double> busySeconds(cases.size(), 0.0);
    for (int i = 0; i < iterations; ++i)
        for (std::size_t c = 0; c < cases.size(); ++c) {
            if (i >= cases[c].iterations)
                continue;
            const double started = nowSeconds();
            const ExchangeResult result = send(cases[c].block(i));
            busySeconds[c] += nowSeconds() - started;
            if (!result.acknowledged) {
                std::fprintf(stderr, "exchange_bench: code %u was not acknowledged\n",
                             cases[c].code);
                killServer(*server);
                return 1;
            }
            times[c].push_back(result.roundTripMs);
        }
    bool allMet = true;
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const Case& item = cases[c];
        const Summary summary = summarize(times[c]);
        const double over = summary.median - ACK_PAUSE_MS;
        const bool met = over <= GOAL_OVER_FLOOR_MS;
        if (!item.load)
            allMet = allMet && met;
        table.rows.push_back({std::to_string(item.code), item.what, std::to_string(item.iterations),
                              fixed(summary.median, 3), fixed(summary.p99, 3),
                              fixed(ACK_PAUSE_MS, 3), fixed(over, 3),
                              fixed(item.iterations / busySeconds[c], 0),
                              item.load ? "exempt" : (met ? "met" : "MISSED")});
    }
    send(CommandBytes(1));
    const auto code = waitForExit(*server, 20000);
    if (!code)
        killServer(*server);
    std::error_code ignored;
    fs::remove_all(root, ignored);

    printTable(table);
    std::printf("goal: median within %.1f ms of the floor for every code but loads: %s\n",
                GOAL_OVER_FLOOR_MS, allMet ? "met" : "MISSED");
    const fs::path csv = writeCsv(table, "exchange.csv");
    if (!csv.empty())
        std::printf("written: %s\n", csv.c_str());
    return 0;
}
