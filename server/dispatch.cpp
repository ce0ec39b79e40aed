#include "server/dispatch.h"

#include "link/command_block.h"
#include "link/exchange.h"
#include "link/sentinels.h"
#include "output/cd_commands.h"
#include "output/output_commands.h"
#include "samples/flat_commands.h"
#include "samples/sample_commands.h"
#include "samples/three_d_commands.h"
#include "tracks/track_commands.h"

#include <array>

namespace {

using Operation = void (*)();

// Six track commands reach the CD channel instead when their slot is 513; the
// test comes before any track slot is touched.
template <Operation onCd, Operation onTrack> void throughCdSlot() {
    if (word16At(2) == CD_SLOT)
        onCd();
    else
        onTrack();
}

void quit() {}

struct RouteEntry {
    const char* name;
    Operation operation; // nullptr: a gap, the code does nothing
};

// The command index, codes 0 to 36. Code 0 is the opening command, taken by
// start-up alone; arriving later it does nothing. Codes from 37 on do nothing.
constexpr std::array<RouteEntry, 37> routingTable{{
    /*  0 */ {"opening", nullptr},
    /*  1 */ {"quit", quit},
    /*  2 */ {nullptr, nullptr},
    /*  3 */ {"load sample", commandLoadSample},
    /*  4 */ {"play sample", commandPlaySample},
    /*  5 */ {"set sample defaults", commandSetSampleDefaults},
    /*  6 */ {nullptr, nullptr},
    /*  7 */ {"load track", commandLoadTrack},
    /*  8 */ {"play track", commandPlayTrack},
    /*  9 */ {"set track attributes", throughCdSlot<cdSetVolume, commandSetTrackAttributes>},
    /* 10 */ {nullptr, nullptr},
    /* 11 */ {"stop sample", commandStopSample},
    /* 12 */ {"pause track", throughCdSlot<cdPause, commandPauseTrack>},
    /* 13 */ {"resume track", throughCdSlot<cdResume, commandResumeTrack>},
    /* 14 */ {"stop track", throughCdSlot<cdStop, commandStopTrack>},
    /* 15 */ {"free sample", commandFreeSample},
    /* 16 */ {"free track", commandFreeTrack},
    /* 17 */ {"set master volume", commandSetMasterVolume},
    /* 18 */ {"set music and sample volumes", commandSetClassVolumes},
    /* 19 */ {"play flat batch", commandPlayFlatBatch},
    /* 20 */ {"play 3D batch", commandPlay3DBatch},
    /* 21 */ {"get track length", commandGetTrackLength},
    /* 22 */ {"set track position", throughCdSlot<cdSetPosition, commandSetTrackPosition>},
    /* 23 */ {"get track position", throughCdSlot<cdGetPosition, commandGetTrackPosition>},
    /* 24 */ {"set 3D listener", commandSet3DListener},
    /* 25 */ {"play sample in 3D", commandPlaySample3D},
    /* 26 */ {"set 3D factors", commandSet3DFactors},
    /* 27 */ {"set EAX environment", commandSetEaxEnvironment},
    /* 28 */ {"play sample batch", commandPlaySampleBatch},
    /* 29 */ {"play sample flat", commandPlaySampleFlat},
    /* 30 */ {"set flat listener", commandSetFlatListener},
    /* 31 */ {"set distance scale", commandSetDistanceScale},
    /* 32 */ {"open CD", commandOpenCd},
    /* 33 */ {"close CD", commandCloseCd},
    /* 34 */ {"get CD track count", commandGetCdTrackCount},
    /* 35 */ {"get CD track length", commandGetCdTrackLength},
    /* 36 */ {"play CD track", commandPlayCdTrack},
}};

constexpr std::uint32_t QUIT_CODE = 1;

} // namespace

const char* commandName(std::uint32_t code) {
    if (code >= routingTable.size() || routingTable[code].operation == nullptr)
        return nullptr;
    return routingTable[code].name;
}

int carryOutCommand() {
    const std::uint32_t code = word16At(0);
    if (code == QUIT_CODE)
        return DISPATCH_QUIT;
    if (code < routingTable.size() && routingTable[code].operation != nullptr)
        routingTable[code].operation();
    return DISPATCH_CONTINUE;
}

int dispatchCommand() {
    awaitCommand();
    const int result = carryOutCommand();
    if (result == DISPATCH_CONTINUE)
        acknowledge();
    return result;
}
