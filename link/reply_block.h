// The 128-byte reply block. Answers go to offset 64; every write of the reply
// file writes the whole block.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t REPLY_BLOCK_SIZE = 128;
inline constexpr std::size_t REPLY_ANSWER_OFFSET = 64;

struct ReplyBlock {
    std::array<std::uint8_t, REPLY_BLOCK_SIZE> bytes{};
};

// Lives as long as the process; zero at start and never cleared.
extern ReplyBlock replyBlock;

void putReply32(std::size_t pos, std::uint32_t value);
// Writes the low 16 bits only: the two bytes above keep what they held.
void putReply16(std::size_t pos, std::uint32_t value);
// Writes the reply file. A query is never acknowledged without its answer, so
// this retries until the file is written and closed.
void writeReply();
