#include "tracks/track_commands.h"

void commandLoadTrack() {}
void commandPlayTrack() {}
void commandSetTrackAttributes() {}
void commandPauseTrack() {}
void commandResumeTrack() {}
void commandStopTrack() {}
void commandFreeTrack() {}
void commandGetTrackLength() {}
void commandSetTrackPosition() {}
void commandGetTrackPosition() {}
