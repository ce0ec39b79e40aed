#include "samples/sample_table.h"

void sampleSlotRelease(std::uint32_t) {}
void sampleTableReset() {}
