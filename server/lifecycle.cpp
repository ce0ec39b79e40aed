#include "server/lifecycle.h"

#include "engine/engine.h"
#include "link/command_block.h"
#include "link/exchange.h"
#include "link/port0.h"
#include "link/signal_mode.h"
#include "samples/flat_listener.h"
#include "samples/sample_table.h"
#include "server/dispatch.h"
#include "server/startup_state.h"
#include "server/trig_tables.h"
#include "tracks/track_table.h"

#include <cstdio>

bool no3D = true;

namespace {

constexpr int DEFAULT_DEVICE = -1;
constexpr int STARTUP_OK = 0;
constexpr int STARTUP_FAILED = 1;

} // namespace

int startUp() {
    awaitCommand();
    if (word16At(0) != 0)
        return STARTUP_FAILED;
    const std::uint32_t frequency = value24At(2);
    const std::uint32_t flags = value24At(6);
    if (BASS_Init(DEFAULT_DEVICE, frequency, flags, nullptr) == 0)
        return STARTUP_FAILED;
    BASS_Start();
    flatListenerReset();
    if ((flags & DEVICE_3D) != 0) {
        BASS_Set3DFactors(1.0f, 1.0f, 1.0f);
        no3D = false;
    } else {
        no3D = true;
    }
    buildTrigTables();
    acknowledge();
    return STARTUP_OK;
}

void shutDown() {
    for (std::uint32_t n = 1; n <= TRACK_SLOT_COUNT; ++n) {
        sampleSlotRelease(n);
        trackSlotRelease(n);
    }
    for (std::uint32_t n = TRACK_SLOT_COUNT + 1; n <= SAMPLE_SLOT_COUNT; ++n)
        sampleSlotRelease(n);
    BASS_CDFree();
    BASS_Stop();
    BASS_Free();
}

int serverMain() {
    readSignalMode();
    if (signalMode == SignalMode::PortSignalling && !portAccess().open()) {
        // Waiting on a port that can never be read would hang the client's
        // start-up for ever; ending as after a failed handshake tells it.
        std::fputs("soundserver: port signalling asked for, but I/O port 0 cannot be "
                   "opened; ending\n",
                   stderr);
        return EXIT_HANDSHAKE_FAILED;
    }
    if (startUp() != STARTUP_OK)
        return EXIT_HANDSHAKE_FAILED;
    while (dispatchCommand() != DISPATCH_QUIT) {
    }
    shutDown();
    acknowledge();
    return EXIT_AFTER_QUIT;
}
