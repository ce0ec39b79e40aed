// State that the opening handshake sets up for the playback commands.
#pragma once

// True unless the opening command asked the engine for 3D; a 3D play then
// falls back to a plain play.
extern bool no3D;
