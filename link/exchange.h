// One exchange with the client: wait for a pending command, read it, and
// acknowledge it when it is done.
#pragma once

// Blocks until a command is pending, then fills the command block from the
// command file. A command file that cannot be read yet is retried, the signal
// still pending: no command is skipped.
void awaitCommand();

// Signals that the command is done: deletes the signal file (file
// signalling) or writes 0 to port 0 twice (port signalling).
void acknowledge();
