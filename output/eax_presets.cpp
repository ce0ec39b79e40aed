#include "output/eax_presets.h"

// Each value is the single-precision float nearest the preset's decimal value,
// which is what a float literal gives.
const std::array<EaxPreset, EAX_PRESET_COUNT> eaxPresets{{
    {0, 0.5f, 1.493f, 0.5f},       // generic
    {1, 0.25f, 0.1f, 0.0f},        // padded cell
    {2, 0.417f, 0.4f, 0.666f},     // room
    {3, 0.653f, 1.499f, 0.166f},   // bathroom
    {4, 0.208f, 0.478f, 0.0f},     // living room
    {5, 0.5f, 2.309f, 0.888f},     // stone room
    {6, 0.403f, 4.279f, 0.5f},     // auditorium
    {7, 0.5f, 3.961f, 0.5f},       // concert hall
    {8, 0.5f, 2.886f, 1.304f},     // cave
    {9, 0.361f, 7.284f, 0.332f},   // arena
    {10, 0.5f, 10.0f, 0.3f},       // hangar
    {11, 0.153f, 0.259f, 2.0f},    // carpeted hallway
    {12, 0.361f, 1.493f, 0.0f},    // hallway
    {13, 0.444f, 2.697f, 0.638f},  // stone corridor
    {14, 0.25f, 1.752f, 0.776f},   // alley
    {15, 0.111f, 3.145f, 0.472f},  // forest
    {16, 0.111f, 2.767f, 0.224f},  // city
    {17, 0.194f, 7.841f, 0.472f},  // mountains
    {18, 1.0f, 1.499f, 0.5f},      // quarry
    {19, 0.097f, 2.767f, 0.224f},  // plain
    {20, 0.208f, 1.652f, 1.5f},    // parking lot
    {21, 0.652f, 2.886f, 0.25f},   // sewer pipe
    {22, 1.0f, 1.499f, 0.0f},      // underwater
    {23, 0.875f, 8.392f, 1.388f},  // drugged
    {24, 0.139f, 17.234f, 0.666f}, // dizzy
    {25, 0.486f, 7.563f, 0.806f},  // psychotic
}};
