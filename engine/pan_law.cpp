#include "engine/pan_law.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace engine {

namespace {

struct PanPoint {
    float angleDegrees; // from straight ahead towards the louder side
    float gain;
};

// OpenAL Soft 1.19 pans a mono source on stereo speakers with its own smooth
// law: ahead, each side gets 0.596 of the source's level; from 60 degrees
// on, the far side is silent. Entry m is the angle at which the far side is
// (100 - m)% of the near side, and the gain that brings the near side back
// to full level. Measured through the loopback device (stereo, no HRTF) by
// bisection on rendered tones; the engine tests check the law it gives.
constexpr std::array<PanPoint, 101> PAN_TABLE{{
    {0.0000f, 1.68006f},  {0.2287f, 1.67167f},  {0.4597f, 1.66328f},  {0.6930f, 1.65491f},
    {0.9287f, 1.64654f},  {1.1669f, 1.63819f},  {1.4075f, 1.62984f},  {1.6507f, 1.62150f},
    {1.8965f, 1.61318f},  {2.1448f, 1.60487f},  {2.3958f, 1.59656f},  {2.6496f, 1.58827f},
    {2.9060f, 1.57999f},  {3.1653f, 1.57173f},  {3.4275f, 1.56347f},  {3.6926f, 1.55523f},
    {3.9607f, 1.54699f},  {4.2318f, 1.53877f},  {4.5059f, 1.53057f},  {4.7833f, 1.52237f},
    {5.0638f, 1.51419f},  {5.3477f, 1.50602f},  {5.6348f, 1.49787f},  {5.9254f, 1.48973f},
    {6.2195f, 1.48160f},  {6.5172f, 1.47349f},  {6.8184f, 1.46540f},  {7.1234f, 1.45731f},
    {7.4322f, 1.44925f},  {7.7448f, 1.44120f},  {8.0614f, 1.43316f},  {8.3821f, 1.42514f},
    {8.7069f, 1.41714f},  {9.0359f, 1.40916f},  {9.3692f, 1.40119f},  {9.7070f, 1.39324f},
    {10.0493f, 1.38531f}, {10.3962f, 1.37739f}, {10.7479f, 1.36950f}, {11.1045f, 1.36163f},
    {11.4660f, 1.35377f}, {11.8327f, 1.34594f}, {12.2046f, 1.33813f}, {12.5819f, 1.33034f},
    {12.9647f, 1.32257f}, {13.3532f, 1.31482f}, {13.7475f, 1.30710f}, {14.1478f, 1.29940f},
    {14.5542f, 1.29173f}, {14.9669f, 1.28408f}, {15.3862f, 1.27645f}, {15.8121f, 1.26886f},
    {16.2449f, 1.26129f}, {16.6848f, 1.25375f}, {17.1320f, 1.24624f}, {17.5868f, 1.23876f},
    {18.0493f, 1.23131f}, {18.5198f, 1.22390f}, {18.9987f, 1.21652f}, {19.4861f, 1.20917f},
    {19.9824f, 1.20186f}, {20.4879f, 1.19459f}, {21.0029f, 1.18735f}, {21.5277f, 1.18016f},
    {22.0628f, 1.17300f}, {22.6085f, 1.16589f}, {23.1653f, 1.15883f}, {23.7335f, 1.15182f},
    {24.3137f, 1.14485f}, {24.9065f, 1.13793f}, {25.5122f, 1.13107f}, {26.1316f, 1.12427f},
    {26.7653f, 1.11753f}, {27.4139f, 1.11085f}, {28.0782f, 1.10423f}, {28.7591f, 1.09769f},
    {29.4574f, 1.09122f}, {30.1740f, 1.08483f}, {30.9102f, 1.07852f}, {31.6670f, 1.07231f},
    {32.4457f, 1.06618f}, {33.2479f, 1.06017f}, {34.0752f, 1.05426f}, {34.9293f, 1.04847f},
    {35.8125f, 1.04281f}, {36.7271f, 1.03729f}, {37.6759f, 1.03192f}, {38.6621f, 1.02673f},
    {39.6895f, 1.02173f}, {40.7627f, 1.01693f}, {41.8871f, 1.01238f}, {43.0694f, 1.00810f},
    {44.3180f, 1.00413f}, {45.6459f, 1.00075f}, {47.0911f, 1.00075f}, {48.6372f, 1.00075f},
    {50.3120f, 1.00075f}, {52.1585f, 1.00075f}, {54.2501f, 1.00075f}, {56.7329f, 1.00075f},
    {90.0000f, 1.00000f},
}};

constexpr float PAN_RANGE = 100.0f;

} // namespace

PanPlacement panPlacement(std::int32_t pan) {
    const std::int32_t clamped = std::clamp(pan, -100, 100);
    const PanPoint& point = PAN_TABLE[static_cast<std::size_t>(std::abs(clamped))];
    const float angle = point.angleDegrees * std::numbers::pi_v<float> / 180.0f;
    const float side = clamped < 0 ? -1.0f : 1.0f;
    return {side * std::sin(angle), -std::cos(angle), point.gain};
}

float balanceLeft(std::int32_t pan) {
    return pan <= 0 ? 1.0f : std::max(0.0f, 1.0f - static_cast<float>(pan) / PAN_RANGE);
}

float balanceRight(std::int32_t pan) {
    return pan >= 0 ? 1.0f : std::max(0.0f, 1.0f + static_cast<float>(pan) / PAN_RANGE);
}

} // namespace engine
