#include "tools/command_line.h"

#include "tools/field_values.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

constexpr std::size_t BLOCK_BYTES = 1024;

bool isOption(const std::string& word) {
    return word.starts_with("--");
}

const FieldSpec* findField(std::span<const FieldSpec> fields, std::string_view option) {
    for (const FieldSpec& field : fields)
        if (field.name == option)
            return &field;
    return nullptr;
}

// One group of fields written at one base offset: the command's own fields,
// or one batch entry.
struct FieldGroup {
    std::span<const FieldSpec> fields;
    std::size_t base = 0;
    std::set<std::string_view> given;
};

std::string finishGroup(CommandBytes& block, const FieldGroup& group, const char* where) {
    for (const FieldSpec& field : group.fields) {
        if (group.given.contains(field.name))
            continue;
        if (field.required)
            return "--" + std::string(field.name) + " is required" + where;
        putOmittedValue(block, group.base, field);
    }
    return {};
}

std::string parseFields(const std::vector<std::string>& words, PreparedCommand& command) {
    const CommandSpec& layout = *command.layout;
    CommandBytes& block = command.bytes;
    std::vector<FieldGroup> groups{{layout.fields, 0, {}}};
    std::optional<std::uint64_t> count;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!isOption(word))
            return "unexpected word '" + word + "' (options start with --)";
        const std::string_view option = std::string_view(word).substr(2);
        if (layout.batch != nullptr && option == "entry") {
            const std::size_t entries = groups.size() - 1;
            if (entries == layout.batch->maxEntries)
                return "at most " + std::to_string(layout.batch->maxEntries) +
                       " entries fit in the block";
            const std::size_t base =
                layout.batch->firstEntryOffset + entries * layout.batch->entrySize;
            groups.push_back({layout.batch->entryFields, base, {}});
            continue;
        }
        if (i + 1 >= words.size())
            return word + " needs a value";
        const std::string& value = words[++i];
        if (layout.batch != nullptr && option == "count") {
            count = parseUnsigned(value, 0xFFFF);
            if (!count)
                return "--count " + value + ": expected 0..65535";
            continue;
        }
        FieldGroup& group = groups.back();
        const FieldSpec* field = findField(group.fields, option);
        if (field == nullptr) {
            std::string message = "unknown option " + word + " for " + std::string(layout.name);
            if (groups.size() > 1)
                message += " entries";
            return message + " (see soundctl " + std::string(layout.name) + " --help)";
        }
        if (!group.given.insert(field->name).second)
            return word + " is given twice";
        if (std::string problem = putFieldValue(block, group.base, *field, value); !problem.empty())
            return problem;
    }
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const std::string where = g == 0 ? "" : " in entry " + std::to_string(g);
        if (std::string problem = finishGroup(block, groups[g], where.c_str()); !problem.empty())
            return problem;
    }
    if (layout.batch != nullptr)
        block.put16(layout.batch->countOffset,
                    static_cast<std::uint32_t>(count.value_or(groups.size() - 1)));
    return {};
}

// raw: hex bytes laid down from offset 0 on, or OFFSET[:WIDTH]=VALUE pairs.
std::string parseRaw(const std::vector<std::string>& words, PreparedCommand& command) {
    std::size_t next = 0;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--size") {
            if (i + 1 >= words.size())
                return "--size needs a value";
            const auto size = parseUnsigned(words[++i], BLOCK_BYTES);
            if (!size)
                return "--size " + words[i] + ": expected 0..1024";
            command.size = static_cast<std::size_t>(*size);
            continue;
        }
        const std::size_t equals = word.find('=');
        if (equals == std::string::npos) {
            if (word.size() % 2 != 0)
                return "'" + word + "': hex bytes come in pairs of digits";
            for (std::size_t d = 0; d < word.size(); d += 2) {
                const auto byte = parseUnsigned("0x" + word.substr(d, 2), 0xFF);
                if (!byte)
                    return "'" + word + "' is neither hex bytes nor OFFSET=VALUE";
                if (next >= BLOCK_BYTES)
                    return "more than 1024 bytes";
                command.bytes.put8(next++, static_cast<std::uint8_t>(*byte));
            }
            continue;
        }
        const std::string place = word.substr(0, equals);
        const std::string value = word.substr(equals + 1);
        const std::size_t colon = place.find(':');
        const std::string width = colon == std::string::npos ? "16" : place.substr(colon + 1);
        const auto offset = parseUnsigned(place.substr(0, colon), BLOCK_BYTES - 1);
        if (!offset)
            return "'" + word + "': the offset must be 0..1023";
        if (width == "f") {
            FieldSpec field{"raw", 0, FieldType::Float32, false, 0, {}, false, ""};
            if (*offset + 4 > BLOCK_BYTES)
                return "'" + word + "' runs past byte 1023";
            if (std::string problem = putFieldValue(command.bytes, *offset, field, value);
                !problem.empty())
                return "'" + word + "': expected a float";
            continue;
        }
        const auto bits = parseUnsigned(width, 32);
        if (!bits || (*bits != 8 && *bits != 16 && *bits != 24 && *bits != 32))
            return "'" + word + "': the width is 8, 16, 24, 32 or f";
        const std::size_t bytes = static_cast<std::size_t>(*bits / 8);
        if (*offset + bytes > BLOCK_BYTES)
            return "'" + word + "' runs past byte 1023";
        const std::uint64_t maximum = (std::uint64_t{1} << *bits) - 1;
        std::optional<std::uint64_t> number = parseUnsigned(value, maximum);
        if (!number && value.starts_with('-')) {
            if (const auto magnitude = parseUnsigned(value.substr(1), (maximum + 1) / 2))
                number = (maximum + 1 - *magnitude) & maximum;
        }
        if (!number)
            return "'" + word + "': the value does not fit in " + width + " bits";
        for (std::size_t b = 0; b < bytes; ++b)
            command.bytes.put8(*offset + b, static_cast<std::uint8_t>(*number >> (8 * b)));
    }
    return {};
}

} // namespace

std::uint32_t PreparedCommand::code() const {
    return bytes.bytes[0] | bytes.bytes[1] << 8;
}

std::uint32_t PreparedCommand::slot() const {
    return bytes.bytes[2] | bytes.bytes[3] << 8;
}

std::string PreparedCommand::name() const {
    if (layout != nullptr)
        return std::string(layout->name);
    const CommandSpec* known = findCommandByCode(code());
    return "raw block (code " + std::to_string(code()) +
           (known != nullptr ? ", " + std::string(known->name) : std::string()) + ")";
}

std::string takeGlobalOptions(std::vector<std::string>& words, GlobalOptions& options) {
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--verbose" || word == "-v") {
            options.verbose = true;
        } else if (word == "--print-block") {
            options.printBlock = true;
        } else if (word == "--dry-run") {
            options.dryRun = true;
        } else if (word == "--dir" || word == "--timeout" || word == "--poll-us") {
            if (i + 1 >= words.size())
                return word + " needs a value";
            const std::string& value = words[++i];
            if (word == "--dir") {
                options.dir = value;
                continue;
            }
            const auto number = parseUnsigned(value, 3'600'000);
            if (!number || *number == 0)
                return word + " " + value + ": expected a positive number";
            if (word == "--timeout")
                options.timeoutMs = static_cast<int>(*number);
            else
                options.pollMicroseconds = static_cast<int>(*number);
        } else {
            rest.push_back(word);
        }
    }
    words = std::move(rest);
    return {};
}

std::string parseCommand(const std::vector<std::string>& words, PreparedCommand& command) {
    if (words.empty())
        return "no command given";
    if (words[0] == "raw") {
        command.layout = nullptr;
        return parseRaw(words, command);
    }
    command.layout = findCommand(words[0]);
    if (command.layout == nullptr)
        return "unknown command '" + words[0] + "' (soundctl --help lists them)";
    command.bytes = CommandBytes(command.layout->code);
    return parseFields(words, command);
}

std::string blockDump(const PreparedCommand& command) {
    std::string text;
    const auto& bytes = command.bytes.bytes;
    std::size_t last = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] != 0)
            last = i;
    const std::size_t end = std::min(command.size, (last / 16 + 1) * 16);
    for (std::size_t row = 0; row < end; row += 16) {
        char line[96];
        int used = std::snprintf(line, sizeof line, "%04zu:", row);
        for (std::size_t i = row; i < std::min(row + 16, end); ++i)
            used += std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used),
                                  " %02X", bytes[i]);
        text += line;
        text += '\n';
    }
    if (command.size < bytes.size())
        text += "(command file of " + std::to_string(command.size) + " bytes)\n";
    return text;
}
