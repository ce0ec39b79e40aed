#include "tests/support/server_fixture.h"

#include "link/command_block.h"
#include "link/reply_block.h"
#include "link/signal_mode.h"
#include "samples/flat_listener.h"
#include "samples/sample_table.h"
#include "server/dispatch.h"
#include "server/startup_state.h"
#include "server/trig_tables.h"
#include "tracks/track_table.h"

void resetServerState() {
    commandBlock = CommandBlock{};
    replyBlock = ReplyBlock{};
    signalMode = SignalMode::FileSignalling;
    sampleTableReset();
    trackTableReset();
    flatListenerReset();
    distanceScale = 1.0f;
    no3D = true;
    buildTrigTables();
    resetRecorder();
}

int runCommand(const CommandBytes& command) {
    commandBlock.bytes = command.bytes;
    return carryOutCommand();
}
