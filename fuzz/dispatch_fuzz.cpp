// Sequences of command blocks through the dispatcher, against the recording
// engine. The input is cut into blocks of up to 1024 bytes: a short block
// keeps the previous command's tail, as a short command file does.
#include "link/command_block.h"
#include "link/reply_block.h"
#include "samples/sample_table.h"
#include "server/dispatch.h"
#include "server/startup_state.h"
#include "server/trig_tables.h"
#include "tests/support/recording_engine.h"
#include "tracks/track_table.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

// The first byte of the input chooses each block's length, so the fuzzer
// reaches both whole and short blocks.
std::size_t blockLength(std::uint8_t selector, std::size_t remaining) {
    const std::size_t wanted = selector < 128 ? COMMAND_BLOCK_SIZE : std::size_t{selector} * 4;
    return std::min(wanted, remaining);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Queries write the reply file, and loads open the files they name:
    // keep both inside a directory of the fuzzer's own.
    const auto dir =
        std::filesystem::temp_directory_path() / ("soundserver-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    buildTrigTables();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    commandBlock = CommandBlock{};
    replyBlock = ReplyBlock{};
    sampleTableReset();
    trackTableReset();
    resetRecorder();
    recorder().defaultResults["BASS_SampleLoad"] = 0x11;
    no3D = size > 0 && (data[0] & 1) != 0;
    std::size_t pos = size > 0 ? 1 : 0;
    while (pos < size) {
        const std::size_t length = blockLength(data[pos - 1], size - pos);
        std::memcpy(commandBlock.bytes.data(), data + pos, length);
        pos += length;
        if (carryOutCommand() == DISPATCH_QUIT)
            break;
        recorder().calls.clear();
    }
    trackTableReset();
    return 0;
}
