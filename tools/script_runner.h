// soundctl run: a text script of commands, one a line, in the same words as
// the command line, with "sleep MS", "expect ..." lines that check the last
// reply, and "#" comments. The first line that fails ends the run.
#pragma once

#include "tools/command_line.h"
#include "tools/session.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Splits a script line into words: blanks separate, "..." and '...' keep
// blanks inside a word, and a '#' that begins a word ends the line.
// Returns a message or "".
std::string splitScriptLine(const std::string& line, std::vector<std::string>& words);

// Runs the script; with a launch, starts the server first and sees it end.
// Returns the process exit code: 0 when every command was acknowledged and
// every expectation held.
int runScript(const std::filesystem::path& file, const GlobalOptions& options,
              const std::optional<LaunchOptions>& launch);
