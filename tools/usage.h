// The help texts of soundctl and of each of its subcommands.
#pragma once

#include "tools/command_table.h"

void printGeneralHelp();
void printCommandHelp(const CommandSpec& command);
void printRawHelp();
void printRunHelp();
void printServeHelp();
