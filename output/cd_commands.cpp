#include "output/cd_commands.h"

void commandOpenCd() {}
void commandCloseCd() {}
void commandGetCdTrackCount() {}
void commandGetCdTrackLength() {}
void commandPlayCdTrack() {}
void cdSetVolume() {}
void cdPause() {}
void cdResume() {}
void cdStop() {}
void cdSetPosition() {}
void cdGetPosition() {}
