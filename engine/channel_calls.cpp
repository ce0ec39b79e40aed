// The channel calls, routed by the kind of handle to the family that owns it.
#include "engine/engine_internal.h"

using namespace engine;

namespace {

const ChannelOps* opsFor(EngineHandle channel) {
    if (channel == 0)
        return &cdChannelOps;
    switch (handleKind(channel)) {
    case HandleKind::Channel:
        return &sampleChannelOps;
    case HandleKind::Stream:
        return &streamChannelOps;
    case HandleKind::Music:
        return &musicChannelOps;
    case HandleKind::None:
    case HandleKind::Sample:
        return nullptr;
    }
    return nullptr;
}

} // namespace

int BASS_ChannelSetAttributes(EngineHandle channel, std::int32_t frequency, std::int32_t volume,
                              std::int32_t pan) {
    Guard guard(stateMutex());
    const ChannelOps* ops = opsFor(channel);
    return ops != nullptr && output().initialised
               ? ops->setAttributes(channel, frequency, volume, pan)
               : 0;
}

int BASS_ChannelPause(EngineHandle channel) {
    Guard guard(stateMutex());
    const ChannelOps* ops = opsFor(channel);
    return ops != nullptr && output().initialised ? ops->pause(channel) : 0;
}

int BASS_ChannelResume(EngineHandle channel) {
    Guard guard(stateMutex());
    const ChannelOps* ops = opsFor(channel);
    return ops != nullptr && output().initialised ? ops->resume(channel) : 0;
}

int BASS_ChannelStop(EngineHandle channel) {
    Guard guard(stateMutex());
    const ChannelOps* ops = opsFor(channel);
    return ops != nullptr && output().initialised ? ops->stop(channel) : 0;
}

int BASS_ChannelSetPosition(EngineHandle channel, std::uint32_t position) {
    Guard guard(stateMutex());
    const ChannelOps* ops = opsFor(channel);
    return ops != nullptr && output().initialised ? ops->setPosition(channel, position) : 0;
}

std::uint32_t BASS_ChannelGetPosition(EngineHandle channel) {
    Guard guard(stateMutex());
    const ChannelOps* ops = opsFor(channel);
    return ops != nullptr && output().initialised ? ops->getPosition(channel) : ENGINE_ERROR;
}
