// How a pending command and a finished command are signalled: by the signal
// file, or through I/O port 0. Chosen once at start-up by the configuration
// file in the parent directory.
#pragma once

#include <cstddef>
#include <cstdint>

enum class SignalMode { FileSignalling, PortSignalling };

extern SignalMode signalMode;

// Reads the configuration file into bytes 0 and 1 of the command block and
// sets signalMode from that word. No readable file: file signalling.
void readSignalMode();

// The configuration file's raw bytes read as a text-mode stream: 0x1A ends
// the file and CR LF reads as LF. Writes at most two bytes to out and returns
// how many it wrote.
std::size_t textModeBytes(const std::uint8_t* raw, std::size_t rawSize, std::uint8_t out[2]);
