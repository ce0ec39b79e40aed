// The OpenAL sources of sample channels: made on demand up to a limit, and
// given back for reuse when a channel ends.
#include "engine/sample_sources.h"

#include <vector>

namespace engine {

namespace {

std::vector<ALuint> idleSources;
int sourcesMade = 0;

} // namespace

ALuint sampleSourceTake() {
    if (!idleSources.empty()) {
        const ALuint source = idleSources.back();
        idleSources.pop_back();
        return source;
    }
    if (sourcesMade >= SAMPLE_SOURCE_LIMIT)
        return 0;
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR || source == 0)
        return 0;
    ++sourcesMade;
    return source;
}

void sampleSourceGive(ALuint source) {
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0);
    idleSources.push_back(source);
}

int sampleSourcesIdle() {
    return static_cast<int>(idleSources.size());
}

void sampleSourcesDeleteIdle() {
    if (!idleSources.empty())
        alDeleteSources(static_cast<ALsizei>(idleSources.size()), idleSources.data());
    sourcesMade -= static_cast<int>(idleSources.size());
    idleSources.clear();
}

} // namespace engine
