// What a reply means: the answer at offset 64 read as the command that asked
// defines it, and the checks a script's expect lines make on it.
#pragma once

#include "client/exchange_client.h"
#include "tools/command_line.h"

#include <cstdint>
#include <string>
#include <vector>

struct Answer {
    ReplyKind kind = ReplyKind::None;
    std::string command; // the asking command's name and slot, for messages
    std::uint32_t slot = 0;
    std::uint32_t value = 0; // 32 bits, or the 16 bits of a track count
};

// The reply kind of a prepared command, raw blocks included.
ReplyKind replyKindOf(const PreparedCommand& command);

Answer answerOf(const PreparedCommand& command, const ReplyBytes& reply);

// The raw value with every reading that applies.
std::string describeAnswer(const Answer& answer);

// Checks the words after "expect" for form alone; returns a message or "".
std::string checkExpectationForm(const std::vector<std::string>& words);

// Checks an answer against the words after "expect"; returns a message or "".
std::string checkExpectation(const Answer& answer, const std::vector<std::string>& words);
