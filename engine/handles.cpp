#include "engine/engine_internal.h"

namespace engine {

namespace {

constexpr std::uint32_t KIND_BITS = 3;
constexpr std::uint32_t KIND_MASK = (1u << KIND_BITS) - 1;
std::uint32_t handleCounter = 0;

} // namespace

EngineHandle newHandle(HandleKind kind) {
    ++handleCounter;
    return handleCounter << KIND_BITS | static_cast<std::uint32_t>(kind);
}

HandleKind handleKind(EngineHandle handle) {
    const std::uint32_t kind = handle & KIND_MASK;
    if (handle == 0 || kind > static_cast<std::uint32_t>(HandleKind::Music))
        return HandleKind::None;
    return static_cast<HandleKind>(kind);
}

std::mutex& stateMutex() {
    static std::mutex mutex;
    return mutex;
}

OutputState& output() {
    static OutputState state;
    return state;
}

float volumeToGain(std::int32_t volume) {
    if (volume <= 0)
        return 0.0f;
    if (volume >= 100)
        return 1.0f;
    return static_cast<float>(volume) / 100.0f;
}

} // namespace engine
