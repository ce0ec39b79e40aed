#include "tools/field_values.h"

#include <bit>
#include <charconv>
#include <cstdio>
#include <vector>

namespace {

constexpr std::size_t TEXT_FIELD_BYTES = 64;
constexpr float ABSENT_X = 16777215.0f;

std::optional<std::int64_t> parseSigned(std::string_view text) {
    const bool negative = text.starts_with('-');
    const auto magnitude = parseUnsigned(negative ? text.substr(1) : text, 0xFFFFFFFFu);
    if (!magnitude)
        return std::nullopt;
    const auto value = static_cast<std::int64_t>(*magnitude);
    return negative ? -value : value;
}

std::optional<float> parseFloat(std::string_view text) {
    if (text.starts_with("bits:")) {
        const auto bits = parseUnsigned(text.substr(5), 0xFFFFFFFFu);
        if (!bits)
            return std::nullopt;
        return std::bit_cast<float>(static_cast<std::uint32_t>(*bits));
    }
    float value = 0.0f;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::optional<std::uint32_t> namedValue(const FieldSpec& field, std::string_view word) {
    for (const NamedValue& named : field.names)
        if (named.name == word)
            return named.value;
    return std::nullopt;
}

std::string wordList(const FieldSpec& field) {
    std::string words;
    for (const NamedValue& named : field.names) {
        if (!words.empty())
            words += ", ";
        words += named.name;
    }
    return words;
}

// One number or word; with a flag set, several joined by '+'.
std::optional<std::uint64_t> parseInteger(const FieldSpec& field, std::string_view text,
                                          std::uint64_t maximum) {
    if (const auto named = namedValue(field, text))
        return *named;
    if (!field.flagSet)
        return parseUnsigned(text, maximum);
    std::uint64_t combined = 0;
    while (!text.empty()) {
        const std::size_t plus = text.find('+');
        const std::string_view part = text.substr(0, plus);
        auto value = namedValue(field, part)
                         ? std::optional<std::uint64_t>(*namedValue(field, part))
                         : parseUnsigned(part, maximum);
        if (!value)
            return std::nullopt;
        combined |= *value;
        text = plus == std::string_view::npos ? std::string_view() : text.substr(plus + 1);
        if (plus != std::string_view::npos && text.empty())
            return std::nullopt;
    }
    return combined;
}

std::string complaint(const FieldSpec& field, std::string_view text) {
    return "--" + std::string(field.name) + " " + std::string(text) + ": expected " +
           describeFieldValues(field);
}

void putVector(CommandBytes& block, std::size_t pos, float x, float y, float z) {
    block.putVector(pos, x, y, z);
}

} // namespace

std::optional<std::uint64_t> parseUnsigned(std::string_view text, std::uint64_t maximum) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (error != std::errc() || stop != end || value > maximum)
        return std::nullopt;
    return value;
}

std::string putFieldValue(CommandBytes& block, std::size_t base, const FieldSpec& field,
                          std::string_view text) {
    const std::size_t pos = base + field.offset;
    switch (field.type) {
    case FieldType::Unsigned16: {
        const auto value = parseInteger(field, text, 0xFFFF);
        if (!value)
            return complaint(field, text);
        block.put16(pos, static_cast<std::uint32_t>(*value));
        return {};
    }
    case FieldType::Signed16: {
        if (const auto named = namedValue(field, text)) {
            block.put16(pos, *named);
            return {};
        }
        // Decimal is the signed reading; hex spells the two bytes themselves.
        const bool hex = text.starts_with("0x") || text.starts_with("0X");
        const auto value = parseSigned(text);
        if (!value || *value < (hex ? 0 : -32768) || *value > (hex ? 0xFFFF : 32767))
            return complaint(field, text);
        block.put16(pos, static_cast<std::uint32_t>(*value) & 0xFFFF);
        return {};
    }
    case FieldType::Value24: {
        // The server reads three bytes; the fourth is written as given so that
        // a client's stray high byte can be reproduced.
        const auto value = parseInteger(field, text, 0xFFFFFFFFu);
        if (!value)
            return complaint(field, text);
        block.put32(pos, static_cast<std::uint32_t>(*value));
        return {};
    }
    case FieldType::Float32: {
        const auto value = parseFloat(text);
        if (!value)
            return complaint(field, text);
        block.putFloat(pos, *value);
        return {};
    }
    case FieldType::Vector: {
        if (text == "absent") {
            putVector(block, pos, ABSENT_X, 0.0f, 0.0f);
            return {};
        }
        std::vector<float> parts;
        std::string_view rest = text;
        for (;;) {
            const std::size_t comma = rest.find(',');
            const auto part = parseFloat(rest.substr(0, comma));
            if (!part)
                return complaint(field, text);
            parts.push_back(*part);
            if (comma == std::string_view::npos)
                break;
            rest = rest.substr(comma + 1);
        }
        if (parts.size() != 3)
            return complaint(field, text);
        putVector(block, pos, parts[0], parts[1], parts[2]);
        return {};
    }
    case FieldType::Text:
        if (text.size() > TEXT_FIELD_BYTES)
            return "--" + std::string(field.name) + ": a file name holds at most 64 bytes";
        block.putText(text);
        return {};
    }
    return {};
}

void putOmittedValue(CommandBytes& block, std::size_t base, const FieldSpec& field) {
    const std::size_t pos = base + field.offset;
    switch (field.type) {
    case FieldType::Unsigned16:
    case FieldType::Signed16:
        block.put16(pos, field.omitted);
        return;
    case FieldType::Value24:
    case FieldType::Float32:
        block.put32(pos, field.omitted);
        return;
    case FieldType::Vector:
        if (field.omitted != 0)
            putVector(block, pos, ABSENT_X, 0.0f, 0.0f);
        return;
    case FieldType::Text:
        return;
    }
}

std::string describeFieldValues(const FieldSpec& field) {
    std::string text;
    switch (field.type) {
    case FieldType::Unsigned16:
        text = "0..65535";
        break;
    case FieldType::Signed16:
        text = "-32768..32767 (or 0x0000..0xFFFF)";
        break;
    case FieldType::Value24:
        text = "0..0xFFFFFF (a larger value also fills the unread fourth byte)";
        break;
    case FieldType::Float32:
        return "a float (or bits:0xHHHHHHHH)";
    case FieldType::Vector:
        return "x,y,z or absent";
    case FieldType::Text:
        return "a file name";
    }
    if (!field.names.empty())
        text += field.flagSet ? ", or flags joined with '+': " : ", or ";
    return text + wordList(field);
}
