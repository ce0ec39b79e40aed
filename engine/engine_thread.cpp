#include "engine/engine_thread.h"

#include "engine/engine_internal.h"

#include <chrono>
#include <condition_variable>
#include <thread>
#include <vector>

namespace engine {

namespace {

// Short enough that a streaming source never runs dry (its queue holds far
// more), long enough that a waiting server costs next to nothing.
constexpr auto ENGINE_TICK = std::chrono::milliseconds(10);
// With nothing sounding and nothing to feed, the thread only keeps silent
// output's clock; a new voice wakes it at once.
constexpr auto IDLE_TICK = std::chrono::milliseconds(100);

std::thread worker;
std::mutex wakeMutex;
std::condition_variable wake;
bool stopRequested = false;
bool wakeRequested = false;

bool anythingToDo() {
    return samplesHaveChannels() || streamingHasVoices();
}

// Giving the sources of ended channels back means asking OpenAL about every
// channel; a play that finds no free source looks for ended ones itself, so
// this only needs to come by now and then, not on every round.
constexpr int REAP_EVERY_ROUNDS = 10;
int roundsSinceReap = 0;

void renderSilently(std::chrono::steady_clock::time_point& rendered) {
    OutputState& out = output();
    const auto now = std::chrono::steady_clock::now();
    if (!out.started) {
        rendered = now;
        return;
    }
    const auto elapsed = std::chrono::duration<double>(now - rendered).count();
    auto frames = static_cast<long>(elapsed * out.frequency);
    if (frames <= 0)
        return;
    // After a long stall catch up with at most a second rather than burst.
    frames = std::min<long>(frames, out.frequency);
    static std::vector<float> scratch;
    scratch.resize(static_cast<std::size_t>(frames) * 2);
    renderLoopback(scratch.data(), static_cast<int>(frames));
    rendered += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(static_cast<double>(frames) / out.frequency));
    if (now - rendered > std::chrono::seconds(1))
        rendered = now;
}

void run() {
    auto rendered = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> sleeper(wakeMutex);
    while (!stopRequested) {
        sleeper.unlock();
        bool busy = true;
        {
            Guard guard(stateMutex());
            if (output().silent)
                renderSilently(rendered);
            engineHousekeeping();
            busy = anythingToDo();
        }
        sleeper.lock();
        wake.wait_for(sleeper, busy ? ENGINE_TICK : IDLE_TICK,
                      [] { return stopRequested || wakeRequested; });
        wakeRequested = false;
    }
}

} // namespace

void engineHousekeeping() {
    if (++roundsSinceReap >= REAP_EVERY_ROUNDS) {
        roundsSinceReap = 0;
        samplesReap();
    }
    streamingFeed();
}

void engineThreadWake() {
    {
        std::lock_guard<std::mutex> lock(wakeMutex);
        wakeRequested = true;
    }
    wake.notify_all();
}

void engineThreadStart() {
    {
        std::lock_guard<std::mutex> lock(wakeMutex);
        stopRequested = false;
    }
    worker = std::thread(run);
}

void engineThreadStop() {
    {
        std::lock_guard<std::mutex> lock(wakeMutex);
        stopRequested = true;
    }
    wake.notify_all();
    if (worker.joinable())
        worker.join();
}

} // namespace engine
