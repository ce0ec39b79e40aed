#include "samples/three_d_commands.h"

void commandPlay3DBatch() {}
void commandSet3DListener() {}
void commandPlaySample3D() {}
void commandSet3DFactors() {}
