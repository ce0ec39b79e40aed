#include "tools/command_table.h"

#include <array>

namespace {

constexpr std::uint32_t NO_VALUE16 = 0xFFFF;
constexpr std::uint32_t NO_VALUE24 = 0xFFFFFF;
constexpr std::uint32_t NATIVE_FREQ24 = 0xFFFFFE;
constexpr std::uint32_t CD_SLOT = 513;
constexpr std::uint32_t ABSENT = 1;
constexpr bool REQUIRED = true;
constexpr bool OPTIONAL = false;
constexpr bool FLAGS = true;
constexpr bool PLAIN = false;

using FT = FieldType;

// Sentinel spellings.
constexpr std::array<NamedValue, 2> playFrequencyNames{{
    {"default", NO_VALUE24},
    {"native", NATIVE_FREQ24},
}};
constexpr std::array<NamedValue, 2> defaultsFrequencyNames{{
    {"unchanged", NO_VALUE16},
    {"native", NATIVE_FREQ24},
}};
constexpr std::array<NamedValue, 1> defaultNames{{{"default", NO_VALUE16}}};
constexpr std::array<NamedValue, 1> unchangedNames{{{"unchanged", NO_VALUE16}}};
constexpr std::array<NamedValue, 2> loopNames{{{"once", 0}, {"loop", 1}}};
constexpr std::array<NamedValue, 1> cdSlotNames{{{"cd", CD_SLOT}}};
constexpr std::array<NamedValue, 2> trackKindNames{{{"stream", 1}, {"music", 2}}};
constexpr std::array<NamedValue, 2> reductionNames{{{"keep", NO_VALUE16}, {"reduce", 0}}};
constexpr std::array<NamedValue, 3> deviceFlagNames{{{"8bits", 0x1}, {"mono", 0x2}, {"3d", 0x4}}};
constexpr std::array<NamedValue, 7> sampleFlagNames{{
    {"8bits", 0x1},
    {"mono", 0x2},
    {"loop", 0x4},
    {"3d", 0x8},
    {"over-vol", 0x10000},
    {"over-pos", 0x20000},
    {"over-dist", 0x30000},
}};
constexpr std::array<NamedValue, 3> trackFlagNames{{
    {"loop", 0x4},
    {"memory", 0x1000},
    {"reduce", 0x2000},
}};
// Selector 27 + i picks built-in preset i; 0 to 26 take the client's values.
constexpr std::array<NamedValue, 27> environmentNames{{
    {"keep", NO_VALUE16},
    {"generic", 27},
    {"padded-cell", 28},
    {"room", 29},
    {"bathroom", 30},
    {"living-room", 31},
    {"stone-room", 32},
    {"auditorium", 33},
    {"concert-hall", 34},
    {"cave", 35},
    {"arena", 36},
    {"hangar", 37},
    {"carpeted-hallway", 38},
    {"hallway", 39},
    {"stone-corridor", 40},
    {"alley", 41},
    {"forest", 42},
    {"city", 43},
    {"mountains", 44},
    {"quarry", 45},
    {"plain", 46},
    {"parking-lot", 47},
    {"sewer-pipe", 48},
    {"underwater", 49},
    {"drugged", 50},
    {"dizzy", 51},
    {"psychotic", 52},
}};
constexpr std::array<NamedValue, 0> noNames{};

// The single float -1, which the engine takes as "leave as it is".
constexpr std::uint32_t MINUS_ONE_BITS = 0xBF800000;

constexpr FieldSpec sampleSlot{"slot", 2,       FT::Unsigned16, REQUIRED,
                               0,      noNames, PLAIN,          "sample slot, 1..1024"};
constexpr FieldSpec trackSlot{"slot", 2,       FT::Unsigned16, REQUIRED,
                              0,      noNames, PLAIN,          "track slot, 1..512"};
constexpr FieldSpec trackOrCdSlot{
    "slot", 2,           FT::Unsigned16, REQUIRED,
    0,      cdSlotNames, PLAIN,          "track slot, 1..512, or cd (513) for the CD channel"};
constexpr FieldSpec fileName{
    "file", 4,       FT::Text, REQUIRED,
    0,      noNames, PLAIN,    "file name, at most 63 bytes (backslashes allowed)"};

constexpr std::array<FieldSpec, 2> openingFields{{
    {"frequency", 2, FT::Value24, OPTIONAL, 44100, noNames, PLAIN,
     "output frequency in Hz (default 44100)"},
    {"flags", 6, FT::Value24, OPTIONAL, 0, deviceFlagNames, FLAGS, "engine flags"},
}};

constexpr std::array<FieldSpec, 3> loadSampleFields{{
    sampleSlot,
    fileName,
    {"flags", 68, FT::Value24, OPTIONAL, 0, sampleFlagNames, FLAGS, "load flags"},
}};

constexpr std::array<FieldSpec, 5> playSampleFields{{
    sampleSlot,
    {"frequency", 4, FT::Value24, OPTIONAL, NO_VALUE24, playFrequencyNames, PLAIN,
     "Hz (default: the sample's default)"},
    {"volume", 8, FT::Unsigned16, OPTIONAL, NO_VALUE16, defaultNames, PLAIN,
     "0..100 (default: the sample's default)"},
    {"pan", 10, FT::Unsigned16, OPTIONAL, NO_VALUE16, defaultNames, PLAIN,
     "0..200, 100 in the centre (default: the sample's default)"},
    {"loop", 12, FT::Unsigned16, OPTIONAL, 0, loopNames, PLAIN, "once (0) or loop (any other)"},
}};

constexpr std::array<FieldSpec, 6> sampleDefaultsFields{{
    sampleSlot,
    {"frequency", 4, FT::Value24, OPTIONAL, NO_VALUE16, defaultsFrequencyNames, PLAIN,
     "new default frequency (0xFFFF: unchanged)"},
    {"volume", 8, FT::Unsigned16, OPTIONAL, NO_VALUE16, unchangedNames, PLAIN,
     "new default volume"},
    {"pan", 10, FT::Unsigned16, OPTIONAL, NO_VALUE16, unchangedNames, PLAIN,
     "new default pan on the engine's scale, stored unchanged"},
    {"flag-reduction", 12, FT::Unsigned16, OPTIONAL, NO_VALUE16, reductionNames, PLAIN,
     "reduce (any value but 0xFFFF) keeps only flag bit 0x4"},
    {"flags", 14, FT::Unsigned16, OPTIONAL, NO_VALUE16, sampleFlagNames, FLAGS,
     "new flags, replacing the whole flags field"},
}};

constexpr std::array<FieldSpec, 4> loadTrackFields{{
    trackSlot,
    fileName,
    {"flags", 68, FT::Value24, OPTIONAL, 0, trackFlagNames, FLAGS, "load flags"},
    {"kind", 72, FT::Unsigned16, REQUIRED, 0, trackKindNames, PLAIN,
     "stream (1) or music (2); other values load nothing"},
}};

constexpr std::array<FieldSpec, 1> sampleSlotOnly{{sampleSlot}};
constexpr std::array<FieldSpec, 1> trackSlotOnly{{trackSlot}};
constexpr std::array<FieldSpec, 1> trackOrCdSlotOnly{{trackOrCdSlot}};

constexpr std::array<FieldSpec, 3> trackAttributesFields{{
    trackOrCdSlot,
    {"pan-separation", 4, FT::Unsigned16, OPTIONAL, NO_VALUE16, unchangedNames, PLAIN,
     "music pan separation, 0..100"},
    {"volume", 6, FT::Unsigned16, OPTIONAL, NO_VALUE16, unchangedNames, PLAIN,
     "0..100 (a stream takes 0xFFFF as 65535)"},
}};

constexpr std::array<FieldSpec, 2> trackPositionFields{{
    trackOrCdSlot,
    {"position", 4, FT::Value24, REQUIRED, 0, noNames, PLAIN,
     "bytes (stream), order | row << 16 (music), seconds (cd)"},
}};

constexpr std::array<FieldSpec, 1> masterVolumeFields{{
    {"volume", 2, FT::Unsigned16, REQUIRED, 0, unchangedNames, PLAIN, "0..100"},
}};

constexpr std::array<FieldSpec, 2> classVolumeFields{{
    {"music-volume", 2, FT::Unsigned16, OPTIONAL, NO_VALUE16, unchangedNames, PLAIN, "0..100"},
    {"sample-volume", 4, FT::Unsigned16, OPTIONAL, NO_VALUE16, unchangedNames, PLAIN, "0..100"},
}};

constexpr std::array<FieldSpec, 3> flatListenerFields{{
    {"x", 2, FT::Signed16, OPTIONAL, NO_VALUE16, unchangedNames, PLAIN,
     "listener x (-1 cannot be set: it reads as unchanged)"},
    {"y", 4, FT::Signed16, OPTIONAL, NO_VALUE16, unchangedNames, PLAIN, "listener y"},
    {"facing", 6, FT::Signed16, OPTIONAL, NO_VALUE16, unchangedNames, PLAIN,
     "listener facing in degrees"},
}};

constexpr std::array<FieldSpec, 6> flatEntryFields{{
    {"slot", 0, FT::Unsigned16, REQUIRED, 0, noNames, PLAIN, "sample slot"},
    {"frequency", 2, FT::Value24, OPTIONAL, NO_VALUE24, playFrequencyNames, PLAIN, "Hz"},
    {"volume", 6, FT::Unsigned16, OPTIONAL, NO_VALUE16, defaultNames, PLAIN,
     "base volume at one unit or less"},
    {"x", 8, FT::Signed16, OPTIONAL, 0, noNames, PLAIN, "source x"},
    {"y", 10, FT::Signed16, OPTIONAL, 0, noNames, PLAIN, "source y"},
    {"third", 12, FT::Signed16, OPTIONAL, 0, noNames, PLAIN, "third value, no effect"},
}};
constexpr BatchSpec flatBatch{8, 12, 16, 63, flatEntryFields};

constexpr std::array<FieldSpec, 6> playFlatFields{{
    sampleSlot,
    {"frequency", 4, FT::Value24, OPTIONAL, NO_VALUE24, playFrequencyNames, PLAIN, "Hz"},
    {"volume", 8, FT::Unsigned16, OPTIONAL, NO_VALUE16, defaultNames, PLAIN,
     "base volume at one unit or less"},
    {"x", 10, FT::Signed16, OPTIONAL, 0, noNames, PLAIN, "source x"},
    {"y", 12, FT::Signed16, OPTIONAL, 0, noNames, PLAIN, "source y"},
    {"third", 14, FT::Signed16, OPTIONAL, 0, noNames, PLAIN, "third value, no effect"},
}};

constexpr std::array<FieldSpec, 1> distanceScaleFields{{
    {"scale", 2, FT::Float32, REQUIRED, 0, noNames, PLAIN, "the divisor of flat distances"},
}};

constexpr std::array<FieldSpec, 4> listener3DFields{{
    {"position", 2, FT::Vector, OPTIONAL, ABSENT, noNames, PLAIN, "x,y,z or absent"},
    {"velocity", 14, FT::Vector, OPTIONAL, ABSENT, noNames, PLAIN, "x,y,z or absent"},
    {"front", 26, FT::Vector, OPTIONAL, ABSENT, noNames, PLAIN, "x,y,z or absent"},
    {"top", 38, FT::Vector, OPTIONAL, ABSENT, noNames, PLAIN, "x,y,z or absent"},
}};

// A 3D play, in a code-25 block and in each entry of code 20 alike.
constexpr std::array<FieldSpec, 7> play3DFields{{
    sampleSlot,
    {"frequency", 4, FT::Value24, OPTIONAL, NO_VALUE24, playFrequencyNames, PLAIN, "Hz"},
    {"volume", 8, FT::Unsigned16, OPTIONAL, NO_VALUE16, defaultNames, PLAIN, "0..100"},
    {"loop", 10, FT::Unsigned16, OPTIONAL, 0, loopNames, PLAIN, "once (0) or loop"},
    {"position", 12, FT::Vector, OPTIONAL, ABSENT, noNames, PLAIN, "x,y,z or absent"},
    {"orientation", 24, FT::Vector, OPTIONAL, ABSENT, noNames, PLAIN, "x,y,z or absent"},
    {"velocity", 36, FT::Vector, OPTIONAL, ABSENT, noNames, PLAIN, "x,y,z or absent"},
}};
constexpr BatchSpec threeDBatch{50, 52, 48, 20, play3DFields};

constexpr std::array<FieldSpec, 3> factors3DFields{{
    {"distance", 2, FT::Float32, OPTIONAL, MINUS_ONE_BITS, noNames, PLAIN,
     "metres per unit (default -1: unchanged)"},
    {"rolloff", 6, FT::Float32, OPTIONAL, MINUS_ONE_BITS, noNames, PLAIN,
     "roll-off factor (default -1: unchanged)"},
    {"doppler", 10, FT::Float32, OPTIONAL, MINUS_ONE_BITS, noNames, PLAIN,
     "doppler factor (default -1: unchanged)"},
}};

constexpr std::array<FieldSpec, 4> eaxFields{{
    {"environment", 2, FT::Unsigned16, REQUIRED, 0, environmentNames, PLAIN,
     "0..26 with the given values, a preset name (27..52), or keep"},
    {"volume", 4, FT::Float32, OPTIONAL, MINUS_ONE_BITS, noNames, PLAIN, "0..1"},
    {"decay", 8, FT::Float32, OPTIONAL, MINUS_ONE_BITS, noNames, PLAIN, "seconds, 0.1..20"},
    {"damping", 12, FT::Float32, OPTIONAL, MINUS_ONE_BITS, noNames, PLAIN, "0..2"},
}};

constexpr std::array<FieldSpec, 5> sampleEntryFields{{
    sampleSlot,
    playSampleFields[1],
    playSampleFields[2],
    playSampleFields[3],
    playSampleFields[4],
}};
constexpr BatchSpec sampleBatch{2, 4, 14, 72, sampleEntryFields};

constexpr std::array<FieldSpec, 1> cdTrackFields{{
    {"track", 2, FT::Unsigned16, REQUIRED, 0, noNames, PLAIN, "CD track, 1 = the first"},
}};
constexpr std::array<FieldSpec, 2> playCdFields{{
    cdTrackFields[0],
    {"loop", 4, FT::Unsigned16, OPTIONAL, 0, loopNames, PLAIN, "once (0) or loop"},
}};

constexpr std::array<FieldSpec, 0> noFields{};

using RK = ReplyKind;

constexpr std::array<CommandSpec, 34> commands{{
    {"opening", 0, "open the engine; the first command of a session", openingFields, RK::None,
     nullptr},
    {"quit", 1, "release everything and end the server", noFields, RK::None, nullptr},
    {"load-sample", 3, "load a sample file into a sample slot", loadSampleFields, RK::None,
     nullptr},
    {"play-sample", 4, "play a sample slot", playSampleFields, RK::None, nullptr},
    {"set-sample-defaults", 5, "change a sample's defaults and its recent channels",
     sampleDefaultsFields, RK::None, nullptr},
    {"load-track", 7, "load a stream or a music into a track slot", loadTrackFields, RK::None,
     nullptr},
    {"play-track", 8, "play a track slot", trackSlotOnly, RK::None, nullptr},
    {"set-track-attributes", 9, "set a track's volume and pan separation", trackAttributesFields,
     RK::None, nullptr},
    {"stop-sample", 11, "stop a sample slot's channels", sampleSlotOnly, RK::None, nullptr},
    {"pause-track", 12, "pause a track", trackOrCdSlotOnly, RK::None, nullptr},
    {"resume-track", 13, "resume a track", trackOrCdSlotOnly, RK::None, nullptr},
    {"stop-track", 14, "stop a track and rewind it", trackOrCdSlotOnly, RK::None, nullptr},
    {"free-sample", 15, "release a sample slot", sampleSlotOnly, RK::None, nullptr},
    {"free-track", 16, "release a track slot", trackSlotOnly, RK::None, nullptr},
    {"set-master-volume", 17, "set the output volume", masterVolumeFields, RK::None, nullptr},
    {"set-music-and-sample-volumes", 18, "set the music and sample volumes", classVolumeFields,
     RK::None, nullptr},
    {"play-flat-batch", 19, "move the flat listener, then play entries at flat positions",
     flatListenerFields, RK::None, &flatBatch},
    {"play-3d-batch", 20, "set the 3D listener, then play entries in 3D", listener3DFields,
     RK::None, &threeDBatch},
    {"get-track-length", 21, "ask a track's length", trackSlotOnly, RK::TrackLength, nullptr},
    {"set-track-position", 22, "set a track's position", trackPositionFields, RK::None, nullptr},
    {"get-track-position", 23, "ask a track's position", trackOrCdSlotOnly, RK::TrackPosition,
     nullptr},
    {"set-3d-listener", 24, "set the 3D listener", listener3DFields, RK::None, nullptr},
    {"play-sample-in-3d", 25, "play a sample at a 3D position", play3DFields, RK::None, nullptr},
    {"set-3d-factors", 26, "set the distance, roll-off and doppler factors", factors3DFields,
     RK::None, nullptr},
    {"set-eax-environment", 27, "set the reverberation environment", eaxFields, RK::None, nullptr},
    {"play-sample-batch", 28, "play entries as play-sample would", noFields, RK::None,
     &sampleBatch},
    {"play-sample-flat", 29, "play a sample at a flat position", playFlatFields, RK::None, nullptr},
    {"set-flat-listener", 30, "move the flat listener", flatListenerFields, RK::None, nullptr},
    {"set-distance-scale", 31, "set the unit of flat distances", distanceScaleFields, RK::None,
     nullptr},
    {"open-cd", 32, "open CD audio", noFields, RK::None, nullptr},
    {"close-cd", 33, "close CD audio", noFields, RK::None, nullptr},
    {"get-cd-track-count", 34, "ask the number of CD tracks", noFields, RK::CdTrackCount, nullptr},
    {"get-cd-track-length", 35, "ask a CD track's length in seconds", cdTrackFields, RK::CdSeconds,
     nullptr},
    {"play-cd-track", 36, "play a CD track", playCdFields, RK::None, nullptr},
}};

} // namespace

std::span<const CommandSpec> commandTable() {
    return commands;
}

const CommandSpec* findCommand(std::string_view name) {
    for (const CommandSpec& command : commands)
        if (command.name == name)
            return &command;
    return nullptr;
}

const CommandSpec* findCommandByCode(std::uint32_t code) {
    for (const CommandSpec& command : commands)
        if (command.code == code)
            return &command;
    return nullptr;
}
