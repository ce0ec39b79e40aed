#include "link/reply_block.h"

#include "link/exchange_files.h"
#include "link/sleep.h"

#include <cstdio>

ReplyBlock replyBlock;

void putReply32(std::size_t pos, std::uint32_t value) {
    putReply16(pos, value);
    putReply16(pos + 2, value >> 16);
}

void putReply16(std::size_t pos, std::uint32_t value) {
    if (pos + 1 >= REPLY_BLOCK_SIZE)
        return;
    replyBlock.bytes[pos] = static_cast<std::uint8_t>(value);
    replyBlock.bytes[pos + 1] = static_cast<std::uint8_t>(value >> 8);
}

namespace {

bool tryWriteReply() {
    std::FILE* file = std::fopen(REPLY_FILE, "wb+");
    if (file == nullptr)
        return false;
    const bool written =
        std::fwrite(replyBlock.bytes.data(), 1, REPLY_BLOCK_SIZE, file) == REPLY_BLOCK_SIZE;
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

} // namespace

void writeReply() {
    while (!tryWriteReply())
        sleepMs(FILE_RETRY_MS);
}
