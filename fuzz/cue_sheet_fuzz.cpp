// Arbitrary text as a CUE sheet. A sheet the parser accepts must hold what
// playing it relies on: rising track numbers up to 99, each track in a file
// the sheet names, tracks sharing a file in order within it.
#include "engine/cue_sheet.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const engine::CueParseResult result = engine::parseCueSheet(text);
    if (!result.sheet)
        return 0;
    const engine::CueSheet& sheet = *result.sheet;
    for (std::size_t k = 0; k < sheet.tracks.size(); ++k) {
        const engine::CueTrack& track = sheet.tracks[k];
        if (track.number < 1 || track.number > 99 || track.file >= sheet.files.size() ||
            track.start < 0 || track.sectorBytes <= 0)
            std::abort();
        if (k == 0)
            continue;
        const engine::CueTrack& before = sheet.tracks[k - 1];
        if (track.number <= before.number || track.file < before.file ||
            (track.file == before.file && track.start <= before.start))
            std::abort();
    }
    return 0;
}
