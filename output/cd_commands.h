// CD audio: the five CD commands, and the CD variants of six track commands
// (slot number 513), which act on the CD channel.
#pragma once

void commandOpenCd();           // code 32
void commandCloseCd();          // code 33
void commandGetCdTrackCount();  // code 34
void commandGetCdTrackLength(); // code 35
void commandPlayCdTrack();      // code 36

void cdSetVolume();   // code 9, slot 513
void cdPause();       // code 12, slot 513
void cdResume();      // code 13, slot 513
void cdStop();        // code 14, slot 513
void cdSetPosition(); // code 22, slot 513
void cdGetPosition(); // code 23, slot 513
