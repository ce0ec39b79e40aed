#include "output/output_commands.h"

void commandSetMasterVolume() {}
void commandSetClassVolumes() {}
void commandSetEaxEnvironment() {}
