#pragma once

void sleepMs(int milliseconds);
