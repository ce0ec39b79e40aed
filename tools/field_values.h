// Field values as a person spells them on the command line: numbers in
// decimal or 0x hex, the words that stand for sentinels, flag names joined
// with '+', floats, vectors "x,y,z" or "absent", file names.
#pragma once

#include "client/command_builder.h"
#include "tools/command_table.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A whole unsigned number in decimal or 0x hex, up to the given maximum.
std::optional<std::uint64_t> parseUnsigned(std::string_view text, std::uint64_t maximum);

// Writes the field's value, spelled as text, at base + the field's offset.
// Returns a message saying what is wrong with the text, or an empty string.
std::string putFieldValue(CommandBytes& block, std::size_t base, const FieldSpec& field,
                          std::string_view text);

// Writes what stands in the field when no value is given for it.
void putOmittedValue(CommandBytes& block, std::size_t base, const FieldSpec& field);

// The field's kind of value and its words, for help texts.
std::string describeFieldValues(const FieldSpec& field);
