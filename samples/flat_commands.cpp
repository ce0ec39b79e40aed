#include "samples/flat_commands.h"

void commandPlayFlatBatch() {}
void commandPlaySampleFlat() {}
void commandSetFlatListener() {}
void commandSetDistanceScale() {}
