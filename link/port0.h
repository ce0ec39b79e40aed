// I/O port 0, through which port signalling runs. The real port needs the
// platform's permission; tests put a simulated port in its place.
#pragma once

#include <cstdint>

struct PortAccess {
    bool (*open)();
    std::uint8_t (*read)();
    void (*write)(std::uint8_t value);
};

// Real port I/O where the platform grants it (x86 Linux: ioperm).
PortAccess realPort();
void setPortAccess(const PortAccess& access);
const PortAccess& portAccess();
