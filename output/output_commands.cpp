#include "output/output_commands.h"

#include "engine/engine.h"
#include "link/command_block.h"
#include "link/sentinels.h"
#include "output/eax_presets.h"

namespace {

constexpr std::int32_t LEAVE_VALUE = -1;
constexpr std::int32_t KEEP_ENVIRONMENT = -1;
// Selectors below this pass the client's environment number and values; from
// here on they choose a built-in preset.
constexpr std::uint32_t FIRST_PRESET_SELECTOR = 27;

std::int32_t volumeWord(std::size_t pos) {
    const std::uint32_t word = word16At(pos);
    return word == NO_VALUE16 ? LEAVE_VALUE : static_cast<std::int32_t>(word);
}

} // namespace

void commandSetMasterVolume() {
    BASS_SetVolume(volumeWord(2));
}

void commandSetClassVolumes() {
    const std::int32_t music = volumeWord(2);
    const std::int32_t sample = volumeWord(4);
    BASS_SetGlobalVolumes(music, sample, LEAVE_VALUE);
}

void commandSetEaxEnvironment() {
    const std::uint32_t selector = word16At(2);
    // The client's floats travel bit for bit, NaNs and all.
    const float volume = float32At(4);
    const float decay = float32At(8);
    const float damping = float32At(12);
    if (selector == NO_VALUE16) {
        BASS_SetEAXParameters(KEEP_ENVIRONMENT, volume, decay, damping);
    } else if (selector < FIRST_PRESET_SELECTOR) {
        BASS_SetEAXParameters(static_cast<std::int32_t>(selector), volume, decay, damping);
    } else if (selector < FIRST_PRESET_SELECTOR + EAX_PRESET_COUNT) {
        const EaxPreset& preset = eaxPresets[selector - FIRST_PRESET_SELECTOR];
        BASS_SetEAXParameters(preset.environment, preset.volume, preset.decay, preset.damping);
    }
}
