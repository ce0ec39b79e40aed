#include "link/port0.h"

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <sys/io.h>
#define HAVE_PORT_IO 1
#else
#define HAVE_PORT_IO 0
#endif

namespace {

constexpr unsigned short SIGNAL_PORT = 0;

bool openRealPort() {
#if HAVE_PORT_IO
    return ioperm(SIGNAL_PORT, 1, 1) == 0;
#else
    return false;
#endif
}

std::uint8_t readRealPort() {
#if HAVE_PORT_IO
    return inb(SIGNAL_PORT);
#else
    return 0;
#endif
}

void writeRealPort([[maybe_unused]] std::uint8_t value) {
#if HAVE_PORT_IO
    outb(value, SIGNAL_PORT);
#endif
}

PortAccess currentPort = realPort();

} // namespace

PortAccess realPort() {
    return {openRealPort, readRealPort, writeRealPort};
}

void setPortAccess(const PortAccess& access) {
    currentPort = access;
}

const PortAccess& portAccess() {
    return currentPort;
}
