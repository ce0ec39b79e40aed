#include "samples/flat_listener.h"

FlatListener flatListener{0, 0, 0};
float distanceScale = 1.0f;

void flatListenerReset() {
    flatListener = {0, 0, 0};
}
