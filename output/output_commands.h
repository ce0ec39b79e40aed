// Engine-wide output settings: master volume, class volumes, reverberation.
#pragma once

void commandSetMasterVolume();   // code 17
void commandSetClassVolumes();   // code 18
void commandSetEaxEnvironment(); // code 27
