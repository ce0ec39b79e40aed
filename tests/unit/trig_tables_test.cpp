#include "server/trig_tables.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace {

struct TellingEntry {
    int degree;
    std::uint32_t cosBits;
    std::uint32_t sinBits;
};

// Built from a single-precision pi, so the entries exact arithmetic would make
// 0 or 0.5 are not.
TEST(TrigTables, TellingEntriesComeOutBitForBit) {
    buildTrigTables();
    EXPECT_EQ(cosTable[0], 1.0f);
    EXPECT_EQ(sinTable[0], 0.0f);
    EXPECT_EQ(sinTable[30], 0.5f);
    EXPECT_NEAR(cosTable[30], 0.8660254, 1e-7);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(sinTable[45]), std::bit_cast<std::uint32_t>(cosTable[45]));
    EXPECT_EQ(cosTable[60], std::nextafter(0.5f, 0.0f));
    EXPECT_NEAR(sinTable[60], 0.8660254, 1e-7);
    EXPECT_LT(cosTable[90], 0.0f);
    EXPECT_NEAR(cosTable[90], -4.37e-8, 0.01e-8);
    EXPECT_EQ(sinTable[90], 1.0f);
    EXPECT_EQ(cosTable[180], -1.0f);
    EXPECT_NEAR(sinTable[180], -8.74e-8, 0.01e-8);
    EXPECT_NEAR(cosTable[270], 1.31e-7, 0.01e-7);
    EXPECT_EQ(sinTable[270], -1.0f);
    EXPECT_EQ(cosTable[360], 1.0f);
    EXPECT_NEAR(sinTable[360], 1.75e-7, 0.01e-7);
}

// Every entry is the nearest float to the cosine and sine of the angle built
// from the single-precision pi.
TEST(TrigTables, EveryEntryMatchesTheDoubleAngle) {
    buildTrigTables();
    const float pi = static_cast<float>(std::atan(1.0) + std::atan(2.0) + std::atan(3.0));
    for (int i = 0; i <= 360; ++i) {
        const double angle = (i * static_cast<double>(pi)) * (1.0 / 180.0);
        EXPECT_EQ(cosTable[i], static_cast<float>(std::cos(angle))) << "degree " << i;
        EXPECT_EQ(sinTable[i], static_cast<float>(std::sin(angle))) << "degree " << i;
    }
}

} // namespace
