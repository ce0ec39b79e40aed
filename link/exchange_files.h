// The files through which client and server meet, relative to the server's
// current directory, and the pauses of the exchange.
#pragma once

inline constexpr const char* SIGNAL_FILE = "TILVO.QBS";
inline constexpr const char* COMMAND_FILE = "TILVO.QBW";
inline constexpr const char* REPLY_FILE = "TILVO.VCW";
inline constexpr const char* CONFIG_FILE = "../ZAZIZUDA.CFG";

// Between existence tests of the signal file.
inline constexpr int SIGNAL_POLL_MS = 5;
// Between reads of port 0 while waiting.
inline constexpr int PORT_POLL_MS = 2;
// After every acknowledgement in file signalling, so that the client sees the
// signal file gone before the next poll.
inline constexpr int ACK_PAUSE_MS = 2;
// Between attempts on a command or reply file that cannot be used right now.
inline constexpr int FILE_RETRY_MS = 5;
// Between attempts to delete a signal file that will not go, once the first
// immediate retries have failed: never spin a core on it.
inline constexpr int DELETE_RETRY_MS = 1;
inline constexpr int DELETE_IMMEDIATE_TRIES = 16;
