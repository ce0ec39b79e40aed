#include "tools/reply_decoding.h"

#include "tools/field_values.h"

#include <cstdio>
#include <optional>

namespace {

constexpr std::uint32_t CD_SLOT = 513;
constexpr std::uint32_t ENGINE_ERROR = 0xFFFFFFFF;
// The engine's failure value after the server's division by 1000.
constexpr std::uint32_t ENGINE_ERROR_SECONDS = ENGINE_ERROR / 1000;

bool inSeconds(const Answer& answer) {
    return answer.kind == ReplyKind::CdSeconds ||
           (answer.kind == ReplyKind::TrackPosition && answer.slot == CD_SLOT);
}

std::string hex32(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

struct Range {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    bool contains(std::uint64_t value) const { return value >= low && value <= high; }
    std::string text() const {
        return low == high ? std::to_string(low)
                           : std::to_string(low) + ".." + std::to_string(high);
    }
};

// A number or a range A..B.
std::optional<Range> parseRange(const std::string& word) {
    const std::size_t dots = word.find("..");
    if (dots == std::string::npos) {
        const auto value = parseUnsigned(word, ENGINE_ERROR);
        if (!value)
            return std::nullopt;
        return Range{*value, *value};
    }
    const auto low = parseUnsigned(word.substr(0, dots), ENGINE_ERROR);
    const auto high = parseUnsigned(word.substr(dots + 2), ENGINE_ERROR);
    if (!low || !high || *low > *high)
        return std::nullopt;
    return Range{*low, *high};
}

// The forms of an expect line, after the word "expect":
//   VALUE | bytes VALUE | orders VALUE | seconds VALUE | tracks VALUE |
//   order VALUE [row VALUE]
// where VALUE is a number or a range A..B.
struct Expectation {
    std::string reading; // "", bytes, orders, seconds, tracks, order
    Range value;
    std::optional<Range> row;
};

std::optional<Expectation> parseExpectation(const std::vector<std::string>& words,
                                            std::string& problem) {
    Expectation expectation;
    std::size_t next = 0;
    if (!words.empty() && !parseRange(words[0])) {
        expectation.reading = words[0];
        next = 1;
        if (expectation.reading != "bytes" && expectation.reading != "orders" &&
            expectation.reading != "seconds" && expectation.reading != "tracks" &&
            expectation.reading != "order") {
            problem = "expect: unknown reading '" + expectation.reading +
                      "' (a value, or bytes, orders, order .. row .., seconds, tracks)";
            return std::nullopt;
        }
    }
    if (next >= words.size()) {
        problem = "expect: a value is missing";
        return std::nullopt;
    }
    const auto value = parseRange(words[next]);
    if (!value) {
        problem = "expect: '" + words[next] + "' is not a number or a range A..B";
        return std::nullopt;
    }
    expectation.value = *value;
    ++next;
    if (expectation.reading == "order" && next < words.size()) {
        const auto row = next + 1 < words.size() ? parseRange(words[next + 1]) : std::nullopt;
        if (words[next] != "row" || !row) {
            problem = "expect: after the order comes 'row VALUE'";
            return std::nullopt;
        }
        expectation.row = *row;
        next += 2;
    }
    if (next != words.size()) {
        problem = "expect: unexpected '" + words[next] + "'";
        return std::nullopt;
    }
    return expectation;
}

// Whether a reading applies to the answer; a message when it does not.
std::string readingApplies(const Answer& answer, const std::string& reading) {
    const bool trackBytes =
        (answer.kind == ReplyKind::TrackLength || answer.kind == ReplyKind::TrackPosition) &&
        !inSeconds(answer);
    bool applies = reading.empty();
    if (reading == "bytes")
        applies = trackBytes;
    else if (reading == "orders")
        applies = answer.kind == ReplyKind::TrackLength;
    else if (reading == "order")
        applies = answer.kind == ReplyKind::TrackPosition && !inSeconds(answer);
    else if (reading == "seconds")
        applies = inSeconds(answer);
    else if (reading == "tracks")
        applies = answer.kind == ReplyKind::CdTrackCount;
    if (applies)
        return {};
    return "the last reply (" + answer.command + ") has no reading in " + reading;
}

} // namespace

ReplyKind replyKindOf(const PreparedCommand& command) {
    if (command.layout != nullptr)
        return command.layout->reply;
    const CommandSpec* known = findCommandByCode(command.code());
    return known != nullptr ? known->reply : ReplyKind::None;
}

Answer answerOf(const PreparedCommand& command, const ReplyBytes& reply) {
    Answer answer;
    answer.kind = replyKindOf(command);
    answer.slot = command.slot();
    answer.command = command.name();
    if (answer.kind == ReplyKind::TrackLength || answer.kind == ReplyKind::TrackPosition)
        answer.command += " slot " + std::to_string(answer.slot);
    answer.value =
        answer.kind == ReplyKind::CdTrackCount ? replyAnswer16(reply) : replyAnswer32(reply);
    return answer;
}

std::string describeAnswer(const Answer& answer) {
    const std::string raw = std::to_string(answer.value);
    if (inSeconds(answer)) {
        std::string text = raw + " seconds";
        if (answer.value == ENGINE_ERROR_SECONDS)
            text += " (the engine's failure value divided by 1000)";
        return text;
    }
    switch (answer.kind) {
    case ReplyKind::CdTrackCount:
        return raw + (answer.value == 0xFFFF ? " (0xFFFF: the engine's failure value)" : " tracks");
    case ReplyKind::TrackLength:
    case ReplyKind::TrackPosition: {
        std::string text = raw + " (" + hex32(answer.value) + ")";
        if (answer.value == ENGINE_ERROR)
            return text + ": the engine's failure value";
        text += ": stream " + raw + " bytes; music ";
        if (answer.kind == ReplyKind::TrackLength)
            return text + raw + " orders";
        return text + "order " + std::to_string(answer.value & 0xFFFF) + " row " +
               std::to_string(answer.value >> 16);
    }
    case ReplyKind::CdSeconds:
    case ReplyKind::None:
        break;
    }
    return raw;
}

std::string checkExpectationForm(const std::vector<std::string>& words) {
    std::string problem;
    parseExpectation(words, problem);
    return problem;
}

std::string checkExpectation(const Answer& answer, const std::vector<std::string>& words) {
    std::string problem;
    const auto expectation = parseExpectation(words, problem);
    if (!expectation)
        return problem;
    if (std::string message = readingApplies(answer, expectation->reading); !message.empty())
        return message;
    std::string wanted = expectation->reading.empty() ? "" : expectation->reading + " ";
    wanted += expectation->value.text();
    bool held = false;
    if (expectation->reading == "order") {
        held = expectation->value.contains(answer.value & 0xFFFF) &&
               (!expectation->row || expectation->row->contains(answer.value >> 16));
        if (expectation->row)
            wanted += " row " + expectation->row->text();
    } else {
        held = expectation->value.contains(answer.value);
    }
    if (held)
        return {};
    return "expected " + wanted + ", got " + describeAnswer(answer) + " from " + answer.command;
}
