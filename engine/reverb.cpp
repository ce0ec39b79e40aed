// Reverberation: one EFX reverb in one auxiliary slot that channels played in
// 3D send to, set by environment (a classic preset) and three values.
#include "engine/engine_internal.h"

#include <AL/efx-presets.h>

#include <algorithm>
#include <array>
#include <cmath>

using namespace engine;

namespace {

// The classic environments in their numbering, 0 generic to 25 psychotic.
const std::array<EFXEAXREVERBPROPERTIES, 26> environmentPresets{{
    EFX_REVERB_PRESET_GENERIC,    EFX_REVERB_PRESET_PADDEDCELL,
    EFX_REVERB_PRESET_ROOM,       EFX_REVERB_PRESET_BATHROOM,
    EFX_REVERB_PRESET_LIVINGROOM, EFX_REVERB_PRESET_STONEROOM,
    EFX_REVERB_PRESET_AUDITORIUM, EFX_REVERB_PRESET_CONCERTHALL,
    EFX_REVERB_PRESET_CAVE,       EFX_REVERB_PRESET_ARENA,
    EFX_REVERB_PRESET_HANGAR,     EFX_REVERB_PRESET_CARPETEDHALLWAY,
    EFX_REVERB_PRESET_HALLWAY,    EFX_REVERB_PRESET_STONECORRIDOR,
    EFX_REVERB_PRESET_ALLEY,      EFX_REVERB_PRESET_FOREST,
    EFX_REVERB_PRESET_CITY,       EFX_REVERB_PRESET_MOUNTAINS,
    EFX_REVERB_PRESET_QUARRY,     EFX_REVERB_PRESET_PLAIN,
    EFX_REVERB_PRESET_PARKINGLOT, EFX_REVERB_PRESET_SEWERPIPE,
    EFX_REVERB_PRESET_UNDERWATER, EFX_REVERB_PRESET_DRUGGED,
    EFX_REVERB_PRESET_DIZZY,      EFX_REVERB_PRESET_PSYCHOTIC,
}};

constexpr std::int32_t KEEP_ENVIRONMENT = -1;
constexpr float MIN_DECAY_S = 0.1f;
constexpr float MAX_DECAY_S = 20.0f;
// EFX takes no high-frequency decay ratio below 0.1.
constexpr float MIN_DAMPING = 0.1f;
constexpr float MAX_DAMPING = 2.0f;
// OpenAL Soft 1.19 aborts the process (an assertion in its filter set-up)
// when a late reverb line's high band decays more than five decades faster
// than its middle band over one pass: 0.001^(L * (1/hfDecay - 1/decay)),
// with lines of up to L = 0.211 s at full density. The least ratio keeps
// that under 4.8 decades; below about 0.1 s EFX clamps the high band's
// decay time anyway, so the presets sound as before.
constexpr float LONGEST_LATE_LINE_S = 0.211f;
constexpr float MOST_DECADES = 4.8f;

float leastDampingFor(float decay) {
    return 1.0f / (MOST_DECADES / (3.0f * LONGEST_LATE_LINE_S) * decay + 1.0f);
}

struct Reverb {
    ALuint slot = 0;
    ALuint effect = 0;
    bool created = false;
    // EFX's full reverb where the device has it, its standard reverb else.
    bool eaxReverb = false;
    EFXEAXREVERBPROPERTIES properties = EFX_REVERB_PRESET_GENERIC;
    float volume = 0.0f;
};

Reverb reverb;

void loadProperties(const Reverb& r) {
    const EFXEAXREVERBPROPERTIES& p = r.properties;
    if (r.eaxReverb) {
        alEffectf(r.effect, AL_EAXREVERB_DENSITY, p.flDensity);
        alEffectf(r.effect, AL_EAXREVERB_DIFFUSION, p.flDiffusion);
        alEffectf(r.effect, AL_EAXREVERB_GAIN, p.flGain);
        alEffectf(r.effect, AL_EAXREVERB_GAINHF, p.flGainHF);
        alEffectf(r.effect, AL_EAXREVERB_GAINLF, p.flGainLF);
        alEffectf(r.effect, AL_EAXREVERB_DECAY_TIME, p.flDecayTime);
        alEffectf(r.effect, AL_EAXREVERB_DECAY_HFRATIO, p.flDecayHFRatio);
        alEffectf(r.effect, AL_EAXREVERB_DECAY_LFRATIO, p.flDecayLFRatio);
        alEffectf(r.effect, AL_EAXREVERB_REFLECTIONS_GAIN, p.flReflectionsGain);
        alEffectf(r.effect, AL_EAXREVERB_REFLECTIONS_DELAY, p.flReflectionsDelay);
        alEffectfv(r.effect, AL_EAXREVERB_REFLECTIONS_PAN, p.flReflectionsPan);
        alEffectf(r.effect, AL_EAXREVERB_LATE_REVERB_GAIN, p.flLateReverbGain);
        alEffectf(r.effect, AL_EAXREVERB_LATE_REVERB_DELAY, p.flLateReverbDelay);
        alEffectfv(r.effect, AL_EAXREVERB_LATE_REVERB_PAN, p.flLateReverbPan);
        alEffectf(r.effect, AL_EAXREVERB_ECHO_TIME, p.flEchoTime);
        alEffectf(r.effect, AL_EAXREVERB_ECHO_DEPTH, p.flEchoDepth);
        alEffectf(r.effect, AL_EAXREVERB_MODULATION_TIME, p.flModulationTime);
        alEffectf(r.effect, AL_EAXREVERB_MODULATION_DEPTH, p.flModulationDepth);
        alEffectf(r.effect, AL_EAXREVERB_AIR_ABSORPTION_GAINHF, p.flAirAbsorptionGainHF);
        alEffectf(r.effect, AL_EAXREVERB_HFREFERENCE, p.flHFReference);
        alEffectf(r.effect, AL_EAXREVERB_LFREFERENCE, p.flLFReference);
        alEffectf(r.effect, AL_EAXREVERB_ROOM_ROLLOFF_FACTOR, p.flRoomRolloffFactor);
        alEffecti(r.effect, AL_EAXREVERB_DECAY_HFLIMIT, p.iDecayHFLimit);
    } else {
        alEffectf(r.effect, AL_REVERB_DENSITY, p.flDensity);
        alEffectf(r.effect, AL_REVERB_DIFFUSION, p.flDiffusion);
        alEffectf(r.effect, AL_REVERB_GAIN, p.flGain);
        alEffectf(r.effect, AL_REVERB_GAINHF, p.flGainHF);
        alEffectf(r.effect, AL_REVERB_DECAY_TIME, p.flDecayTime);
        alEffectf(r.effect, AL_REVERB_DECAY_HFRATIO, p.flDecayHFRatio);
        alEffectf(r.effect, AL_REVERB_REFLECTIONS_GAIN, p.flReflectionsGain);
        alEffectf(r.effect, AL_REVERB_REFLECTIONS_DELAY, p.flReflectionsDelay);
        alEffectf(r.effect, AL_REVERB_LATE_REVERB_GAIN, p.flLateReverbGain);
        alEffectf(r.effect, AL_REVERB_LATE_REVERB_DELAY, p.flLateReverbDelay);
        alEffectf(r.effect, AL_REVERB_AIR_ABSORPTION_GAINHF, p.flAirAbsorptionGainHF);
        alEffectf(r.effect, AL_REVERB_ROOM_ROLLOFF_FACTOR, p.flRoomRolloffFactor);
        alEffecti(r.effect, AL_REVERB_DECAY_HFLIMIT, p.iDecayHFLimit);
    }
}

// A changed effect reaches the sound only when loaded into the slot again.
bool applyReverb(const Reverb& r) {
    alGetError();
    loadProperties(r);
    alAuxiliaryEffectSloti(r.slot, AL_EFFECTSLOT_EFFECT, static_cast<ALint>(r.effect));
    alAuxiliaryEffectSlotf(r.slot, AL_EFFECTSLOT_GAIN, r.volume);
    return alGetError() == AL_NO_ERROR;
}

void destroyReverb(Reverb& r) {
    if (r.slot != 0) {
        alAuxiliaryEffectSloti(r.slot, AL_EFFECTSLOT_EFFECT, AL_EFFECT_NULL);
        alDeleteAuxiliaryEffectSlots(1, &r.slot);
    }
    if (r.effect != 0)
        alDeleteEffects(1, &r.effect);
    r = Reverb{};
}

bool createReverb(Reverb& r) {
    alGetError();
    alGenAuxiliaryEffectSlots(1, &r.slot);
    if (alGetError() != AL_NO_ERROR) {
        r.slot = 0;
        return false;
    }
    alGenEffects(1, &r.effect);
    if (alGetError() != AL_NO_ERROR) {
        r.effect = 0;
        destroyReverb(r);
        return false;
    }
    alEffecti(r.effect, AL_EFFECT_TYPE, AL_EFFECT_EAXREVERB);
    r.eaxReverb = alGetError() == AL_NO_ERROR;
    if (!r.eaxReverb) {
        alEffecti(r.effect, AL_EFFECT_TYPE, AL_EFFECT_REVERB);
        if (alGetError() != AL_NO_ERROR) {
            destroyReverb(r);
            return false;
        }
    }
    // Until a client chooses an environment, 3D channels play dry.
    r.properties = environmentPresets[0];
    r.volume = 0.0f;
    if (!applyReverb(r)) {
        destroyReverb(r);
        return false;
    }
    r.created = true;
    return true;
}

// A value below 0 (or not a number) leaves the current one; others are
// clamped into range.
void takeValue(float& current, float given, float low, float high) {
    if (std::isnan(given) || given < 0.0f)
        return;
    current = std::clamp(given, low, high);
}

} // namespace

namespace engine {

ALuint reverbSlot() {
    const OutputState& out = output();
    if (!out.initialised || !out.has3D || !out.hasEfx)
        return AL_EFFECTSLOT_NULL;
    if (!reverb.created && !createReverb(reverb))
        return AL_EFFECTSLOT_NULL;
    return reverb.slot;
}

ALuint reverbSendSlot() {
    return reverb.created && reverb.volume > 0.0f ? reverb.slot : AL_EFFECTSLOT_NULL;
}

void reverbReleaseAll() {
    destroyReverb(reverb);
}

} // namespace engine

int BASS_SetEAXParameters(std::int32_t environment, float volume, float decay, float damping) {
    Guard guard(stateMutex());
    if (environment < KEEP_ENVIRONMENT ||
        environment >= static_cast<std::int32_t>(environmentPresets.size()))
        return 0;
    if (reverbSlot() == AL_EFFECTSLOT_NULL)
        return 0;
    Reverb wanted = reverb;
    if (environment != KEEP_ENVIRONMENT)
        wanted.properties = environmentPresets[static_cast<std::size_t>(environment)];
    takeValue(wanted.volume, volume, 0.0f, 1.0f);
    takeValue(wanted.properties.flDecayTime, decay, MIN_DECAY_S, MAX_DECAY_S);
    takeValue(wanted.properties.flDecayHFRatio, damping, 0.0f, MAX_DAMPING);
    wanted.properties.flDecayHFRatio = std::max({wanted.properties.flDecayHFRatio, MIN_DAMPING,
                                                 leastDampingFor(wanted.properties.flDecayTime)});
    if (!applyReverb(wanted)) {
        applyReverb(reverb);
        return 0;
    }
    const ALuint sendBefore = reverbSendSlot();
    reverb = wanted;
    // A silent environment costs every 3D voice a reverb pass for nothing:
    // voices send to the slot only while it can be heard.
    if (reverbSendSlot() != sendBefore)
        samplesSetReverbSend(reverbSendSlot());
    return 1;
}
