// The server's life: the opening handshake, the main loop, shutdown.
#pragma once

inline constexpr int EXIT_AFTER_QUIT = 1;
inline constexpr int EXIT_HANDSHAKE_FAILED = 0;

// Takes and carries out the opening command. 0: the engine runs and the
// command was acknowledged; anything else: the handshake failed and nothing
// was acknowledged.
int startUp();

// Releases every sample and track slot, then the CD and the engine.
void shutDown();

// Process entry, from reading the configuration to the exit code.
int serverMain();
