#include "link/sleep.h"

#include <chrono>
#include <thread>

void sleepMs(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
