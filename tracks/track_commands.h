// Commands on the track slots. The CD test of codes 9, 12, 13, 14, 22 and 23
// is made by the dispatcher before these run.
#pragma once

void commandLoadTrack();          // code 7
void commandPlayTrack();          // code 8
void commandSetTrackAttributes(); // code 9
void commandPauseTrack();         // code 12
void commandResumeTrack();        // code 13
void commandStopTrack();          // code 14
void commandFreeTrack();          // code 16
void commandGetTrackLength();     // code 21
void commandSetTrackPosition();   // code 22
void commandGetTrackPosition();   // code 23
