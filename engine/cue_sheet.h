// CUE sheets: the text that describes a CD image as files and the tracks
// within them. Only what playing the image needs is kept; titles, performers,
// flags and the like are read over.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

enum class CueFileType {
    Binary,   // raw 16-bit stereo 44.1 kHz sectors, little-endian samples
    Motorola, // the same with big-endian samples
    Wave,     // a sound file of its own (WAVE, AIFF, MP3, OGG, FLAC)
};

struct CueFile {
    std::string name; // as the sheet writes it
    CueFileType type = CueFileType::Binary;
};

// CD frames (sectors): 75 to a second.
inline constexpr std::int64_t CD_SECTORS_PER_SECOND = 75;

struct CueTrack {
    int number = 0;
    bool audio = true;
    // Bytes per sector in a raw image: 2352 for audio, the mode's size for
    // data tracks.
    int sectorBytes = 2352;
    std::size_t file = 0; // index into CueSheet::files
    // Where INDEX 01 puts the track's start, in sectors from the file's start.
    std::int64_t start = 0;
};

struct CueSheet {
    std::vector<CueFile> files;
    std::vector<CueTrack> tracks; // numbered 1, 2, 3 ... in order
};

struct CueParseResult {
    std::optional<CueSheet> sheet;
    std::string error; // why there is no sheet, with the line number
};

CueParseResult parseCueSheet(std::string_view text);

} // namespace engine
