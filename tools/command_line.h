// Turning the words of one command, as typed on the command line or written
// on a script line, into the block that goes to the server.
#pragma once

#include "client/command_builder.h"
#include "tools/command_table.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Options that hold for a whole invocation, accepted anywhere among the words.
struct GlobalOptions {
    std::filesystem::path dir = ".";
    int timeoutMs = 5000;
    int pollMicroseconds = 200;
    bool verbose = false;
    // Show the block's bytes before sending it.
    bool printBlock = false;
    // Show the block's bytes and send nothing.
    bool dryRun = false;
};

struct PreparedCommand {
    const CommandSpec* layout = nullptr; // nullptr for a raw block
    CommandBytes bytes{0};
    // How many bytes of the block the command file gets.
    std::size_t size = 1024;
    std::uint32_t code() const;
    std::uint32_t slot() const;
    std::string name() const;
};

// Takes the global options out of the words; returns a message or "".
std::string takeGlobalOptions(std::vector<std::string>& words, GlobalOptions& options);

// Parses a command's words, its name first. Returns a message or "".
std::string parseCommand(const std::vector<std::string>& words, PreparedCommand& command);

// The nonzero bytes of a block, sixteen to a line with their offsets.
std::string blockDump(const PreparedCommand& command);
