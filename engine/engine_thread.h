// The one engine thread: keeps every streaming source fed, gives ended sample
// channels their sources back, and, when the engine plays silently, renders
// the loopback device in real time so that sounds advance and end.
#pragma once

namespace engine {

// Called with the state lock not held.
void engineThreadStart();
void engineThreadStop();

// Cuts the thread's wait short: something now needs it at its busy pace.
void engineThreadWake();

// One round of the thread's work, with the state lock held.
void engineHousekeeping();

} // namespace engine
