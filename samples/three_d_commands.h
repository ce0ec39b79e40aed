// Commands of 3D playback: the engine's listener, factors and 3D plays.
#pragma once

void commandPlay3DBatch();   // code 20
void commandSet3DListener(); // code 24
void commandPlaySample3D();  // code 25
void commandSet3DFactors();  // code 26
