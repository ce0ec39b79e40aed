#include "samples/sample_commands.h"

void commandLoadSample() {}
void commandPlaySample() {}
void commandSetSampleDefaults() {}
void commandStopSample() {}
void commandFreeSample() {}
void commandPlaySampleBatch() {}
