// Every command a client can send, as soundctl spells it: one entry per
// command code with its payload fields at their byte offsets, the words that
// stand for sentinel values, and what the reply holds.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

enum class FieldType {
    Unsigned16, // word16At
    Signed16,   // the same two bytes read as two's complement
    Value24,    // value24At; the field's fourth byte is written too
    Float32,    // raw32At: the bits of a single float
    Vector,     // three floats x, y, z
    Text,       // the 64-byte file name field at offsets 4 to 67
};

// A word that stands for a value: a sentinel, a preset, a flag bit.
struct NamedValue {
    std::string_view name;
    std::uint32_t value;
};

struct FieldSpec {
    std::string_view name; // the option, without its leading dashes
    std::uint16_t offset;  // from the start of the block, or of a batch entry
    FieldType type;
    bool required;
    // Written when the option is not given; for a vector, nonzero means absent.
    std::uint32_t omitted;
    std::span<const NamedValue> names;
    // Named values that are flag bits and may be joined with '+'.
    bool flagSet;
    std::string_view help;
};

// Counted entries that follow the fixed fields of a batch command.
struct BatchSpec {
    std::uint16_t countOffset;
    std::uint16_t firstEntryOffset;
    std::uint16_t entrySize;
    std::uint16_t maxEntries; // the most that fit in the block
    std::span<const FieldSpec> entryFields;
};

enum class ReplyKind {
    None,
    TrackLength,   // code 21: bytes of a stream, or orders of a music
    TrackPosition, // code 23: bytes, or order and row; seconds on the CD slot
    CdSeconds,     // code 35
    CdTrackCount,  // code 34: 16 bits
};

struct CommandSpec {
    std::string_view name;
    std::uint16_t code;
    std::string_view summary;
    std::span<const FieldSpec> fields;
    ReplyKind reply;
    const BatchSpec* batch; // nullptr for a command without entries
};

std::span<const CommandSpec> commandTable();

// The command with that name, or nullptr.
const CommandSpec* findCommand(std::string_view name);

// The command with that code, or nullptr for a code without a command.
const CommandSpec* findCommandByCode(std::uint32_t code);
