#include "link/exchange.h"

#include "link/command_block.h"
#include "link/exchange_files.h"
#include "link/port0.h"
#include "link/signal_mode.h"
#include "link/sleep.h"

#include <cstdio>
#include <sys/stat.h>

namespace {

bool signalFileExists() {
    struct stat info;
    return stat(SIGNAL_FILE, &info) == 0;
}

void awaitSignal() {
    if (signalMode == SignalMode::PortSignalling) {
        while (portAccess().read() == 0)
            sleepMs(PORT_POLL_MS);
        return;
    }
    while (!signalFileExists())
        sleepMs(SIGNAL_POLL_MS);
}

bool tryReadCommandFile() {
    std::FILE* file = std::fopen(COMMAND_FILE, "rb+");
    if (file == nullptr)
        return false;
    // A short file replaces only the bytes it holds; the rest of the block
    // keeps the previous command's tail.
    const std::size_t count = std::fread(commandBlock.bytes.data(), 1, COMMAND_BLOCK_SIZE, file);
    const bool failed = count < COMMAND_BLOCK_SIZE && std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

void deleteSignalFile() {
    if (!signalFileExists())
        return;
    int tries = 0;
    while (std::remove(SIGNAL_FILE) != 0 && signalFileExists()) {
        if (++tries > DELETE_IMMEDIATE_TRIES)
            sleepMs(DELETE_RETRY_MS);
    }
}

} // namespace

void awaitCommand() {
    awaitSignal();
    while (!tryReadCommandFile())
        sleepMs(FILE_RETRY_MS);
}

void acknowledge() {
    if (signalMode == SignalMode::PortSignalling) {
        portAccess().write(0);
        portAccess().write(0);
        return;
    }
    deleteSignalFile();
    sleepMs(ACK_PAUSE_MS);
}
