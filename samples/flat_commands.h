// Commands of flat positional playback: samples placed on a plane around one
// listener, their volume and pan computed by the server.
#pragma once

void commandPlayFlatBatch();    // code 19
void commandPlaySampleFlat();   // code 29
void commandSetFlatListener();  // code 30
void commandSetDistanceScale(); // code 31
