#include "server/trig_tables.h"

#include <cmath>

float cosTable[TRIG_TABLE_SIZE];
float sinTable[TRIG_TABLE_SIZE];

void buildTrigTables() {
    // The tables have always been built from a single-precision pi, a little
    // above the true pi; clients hear the results (cos 90 degrees is not 0),
    // so the same pi is kept.
    const double sum = std::atan(1.0) + std::atan(2.0) + std::atan(3.0);
    const float pi = static_cast<float>(sum);
    const double degree = 1.0 / 180.0;
    for (int i = 0; i < TRIG_TABLE_SIZE; ++i) {
        const double angle = (i * static_cast<double>(pi)) * degree;
        cosTable[i] = static_cast<float>(std::cos(angle));
        sinTable[i] = static_cast<float>(std::sin(angle));
    }
}
