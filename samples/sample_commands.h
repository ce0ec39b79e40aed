// Commands on the sample slots: load, play, set defaults, stop, free, and a
// batch of plays. Each reads its fields from the command block.
#pragma once

void commandLoadSample();        // code 3
void commandPlaySample();        // code 4
void commandSetSampleDefaults(); // code 5
void commandStopSample();        // code 11
void commandFreeSample();        // code 15
void commandPlaySampleBatch();   // code 28
