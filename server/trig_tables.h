// Cosine and sine of every whole degree from 0 to 360 inclusive, built once at
// start-up. Flat positional playback looks facings up here and computes no
// trigonometry of its own.
#pragma once

inline constexpr int TRIG_TABLE_SIZE = 361;

extern float cosTable[TRIG_TABLE_SIZE];
extern float sinTable[TRIG_TABLE_SIZE];

void buildTrigTables();
