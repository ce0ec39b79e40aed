// The command dispatcher: takes one command, routes it by its code and
// acknowledges it.
#pragma once

#include <cstdint>

inline constexpr int DISPATCH_CONTINUE = 0;
inline constexpr int DISPATCH_QUIT = 1;

// Waits for the next command, carries it out and acknowledges it; quit is
// left unacknowledged. Returns DISPATCH_QUIT after quit, DISPATCH_CONTINUE
// after every other code.
int dispatchCommand();

// Carries out the command now in the command block, without waiting or
// acknowledging. Returns what dispatchCommand would.
int carryOutCommand();

// The command's name in the command index, or nullptr for a code that has no
// operation.
const char* commandName(std::uint32_t code);
