#include "tools/usage.h"

#include "tools/field_values.h"

#include <cstdio>
#include <string>

namespace {

const char* typeWidth(FieldType type) {
    switch (type) {
    case FieldType::Unsigned16:
        return "16-bit";
    case FieldType::Signed16:
        return "signed 16-bit";
    case FieldType::Value24:
        return "24-bit";
    case FieldType::Float32:
        return "float";
    case FieldType::Vector:
        return "3 floats";
    case FieldType::Text:
        return "64 bytes";
    }
    return "";
}

void printFields(std::span<const FieldSpec> fields, const char* offsetFrom) {
    for (const FieldSpec& field : fields) {
        std::printf("  --%-16s offset %3u%s, %s%s\n", std::string(field.name).c_str(), field.offset,
                    offsetFrom, typeWidth(field.type), field.required ? ", required" : "");
        std::printf("      %s\n      values: %s\n", std::string(field.help).c_str(),
                    describeFieldValues(field).c_str());
    }
}

const char* replyText(ReplyKind kind) {
    switch (kind) {
    case ReplyKind::None:
        return nullptr;
    case ReplyKind::TrackLength:
        return "a 32-bit length: bytes of 16-bit PCM for a stream, orders for a music";
    case ReplyKind::TrackPosition:
        return "a 32-bit position: bytes for a stream, order (low 16 bits) and row (high 16 "
               "bits) for a music; whole seconds for slot cd";
    case ReplyKind::CdSeconds:
        return "the track's length in whole seconds";
    case ReplyKind::CdTrackCount:
        return "the number of tracks, 16 bits";
    }
    return nullptr;
}

} // namespace

void printGeneralHelp() {
    std::printf(
        "usage: soundctl [--dir DIR] [--timeout MS] [--verbose] COMMAND [--FIELD VALUE ...]\n"
        "       soundctl run [--start [--binary PATH] [--env NAME=VALUE]] SCRIPT\n"
        "       soundctl serve --dir DIR [--binary PATH] [--env NAME=VALUE] [--detach]\n"
        "       soundctl raw [--size N] HEXBYTES | OFFSET[:WIDTH]=VALUE ...\n"
        "\n"
        "Sends one command to the sound server whose exchange files are in DIR, waits for\n"
        "its acknowledgement and prints the reply of a query. The exit code is 0 only when\n"
        "the server acknowledged the command.\n"
        "\n"
        "Options anywhere on the line:\n"
        "  --dir DIR        the server's directory (default: the current one)\n"
        "  --timeout MS     how long to wait for the acknowledgement (default 5000)\n"
        "  --verbose, -v    say when each command was acknowledged, and how fast\n"
        "  --print-block    show the block's bytes before sending it\n"
        "  --dry-run        show the block's bytes and send nothing\n"
        "  --poll-us N      how often to look for the acknowledgement (default 200)\n"
        "\n"
        "Commands (soundctl COMMAND --help shows the fields):\n");
    for (const CommandSpec& command : commandTable())
        std::printf("  %-30s %2u  %s\n", std::string(command.name).c_str(), command.code,
                    std::string(command.summary).c_str());
    std::printf("  %-30s     %s\n  %-30s     %s\n  %-30s     %s\n", "raw",
                "send a block made by hand", "run", "run a script of commands", "serve",
                "start a server in a directory");
}

void printCommandHelp(const CommandSpec& command) {
    std::printf("usage: soundctl %s", std::string(command.name).c_str());
    for (const FieldSpec& field : command.fields)
        std::printf(field.required ? " --%s V" : " [--%s V]", std::string(field.name).c_str());
    if (command.batch != nullptr)
        std::printf(" [--count N] [--entry FIELDS...]...");
    std::printf("\n\n%s (code %u).\n", std::string(command.summary).c_str(), command.code);
    if (!command.fields.empty()) {
        std::printf("\nFields (an omitted field gets its default word, or 0):\n");
        printFields(command.fields, "");
    }
    if (command.batch != nullptr) {
        const BatchSpec& batch = *command.batch;
        std::printf("\nEach --entry starts a play entry; the fields after it belong to it.\n"
                    "At most %u entries; entry k starts at offset %u + %u x (k - 1).\n"
                    "  --%-16s offset %3u, 16-bit (default: the number of entries)\n",
                    batch.maxEntries, batch.firstEntryOffset, batch.entrySize, "count",
                    batch.countOffset);
        std::printf("\nEntry fields:\n");
        printFields(batch.entryFields, " in the entry");
    }
    if (const char* reply = replyText(command.reply))
        std::printf("\nReply: %s.\n", reply);
}

void printRawHelp() {
    std::printf(
        "usage: soundctl raw [--size N] WORD...\n\n"
        "Sends a block made by hand. Each WORD is either hex bytes (\"0400\" \"0300\"),\n"
        "laid down one after another from offset 0, or OFFSET[:WIDTH]=VALUE, where WIDTH is\n"
        "8, 16 (the default), 24, 32 or f (a float). The rest of the block is 0.\n"
        "  --size N   write only the first N bytes into the command file\n\n"
        "example: soundctl raw 0=4 2=3 4:32=0xFFFFFF 8=80 10=100\n");
}

void printRunHelp() {
    std::printf("usage: soundctl run [--start [--binary PATH] [--env NAME=VALUE]...] SCRIPT\n\n"
                "Runs a script: one command a line, in the same words as the command line.\n"
                "  # comment            from a '#' that begins a word to the end of the line\n"
                "  sleep MS             wait\n"
                "  expect VALUE         the last reply's value; VALUE may be a range A..B\n"
                "  expect bytes VALUE   ... read as a stream's bytes (codes 21, 23)\n"
                "  expect orders VALUE  ... read as a music's length in orders (code 21)\n"
                "  expect order O [row R]   ... read as a music's position (code 23)\n"
                "  expect seconds VALUE ... in seconds (code 23 on slot cd, code 35)\n"
                "  expect tracks VALUE  ... the CD's track count (code 34)\n"
                "The whole script is checked before anything is sent; the first line that fails\n"
                "ends the run with FILE:LINE: message. The exit code is 0 only when every command\n"
                "was acknowledged and every expect held.\n"
                "  --start      start the server in --dir first (the directory is made when\n"
                "               missing) and see it end: quit is sent when the script did not\n"
                "  --binary P   the server binary (default: soundserver beside soundctl)\n"
                "  --env N=V    add to the server's environment, e.g. ALSOFT_DRIVERS=null\n");
}

void printServeHelp() {
    std::printf(
        "usage: soundctl serve --dir DIR [--binary PATH] [--env NAME=VALUE]... [--detach]\n\n"
        "Starts the sound server in DIR (made when missing) and waits until it ends; send\n"
        "it commands from another shell with soundctl --dir DIR .... With --detach,\n"
        "prints the server's process id and returns at once.\n"
        "The exit code is 0 when the server ended after quit.\n");
}
