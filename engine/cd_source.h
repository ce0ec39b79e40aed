// Where CD audio comes from: a folder of ripped tracks, a CUE sheet with its
// image or files, or a real drive; and the tracks each one offers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

struct CdDrive; // a drive opened through libcdio, cd_drive.cpp

enum class CdTrackOrigin {
    Data,      // has a length, does not play
    SoundFile, // a stretch of a file that libsndfile decodes
    RawImage,  // a stretch of raw 16-bit stereo 44.1 kHz sectors
    Drive,     // sectors read from the drive
};

inline constexpr int CD_RATE = 44100;
inline constexpr int CD_CHANNELS = 2;
inline constexpr std::int64_t CD_FRAMES_PER_SECTOR = 588;
inline constexpr std::int64_t CD_BYTES_PER_FRAME = 4;

struct CdTrack {
    CdTrackOrigin origin = CdTrackOrigin::Data;
    std::uint32_t lengthMs = 0;
    std::string path;       // SoundFile, RawImage
    bool bigEndian = false; // RawImage
    // The track's stretch: frames at the file's rate from the file's start
    // (SoundFile), bytes from the image's start (RawImage), or the first
    // sector (Drive); and its length in frames.
    std::int64_t first = 0;
    std::int64_t frames = 0;
};

struct CdDisc {
    std::vector<CdTrack> tracks; // track 1 first
    CdDrive* drive = nullptr;    // owned; only for a drive's tracks
};

// Looks for a source in the current directory, then the default drive (or
// the named one, which skips the directory). False when there is none.
bool cdSourceFind(const char* driveName, CdDisc& disc);
// Releases what the disc holds.
void cdSourceRelease(CdDisc& disc);

// The three sources, each false when it is not there or not usable.
bool cdFolderFind(CdDisc& disc);
bool cdCueSheetFind(CdDisc& disc);
bool cdDriveFind(const char* driveName, CdDisc& disc);
void cdDriveClose(CdDrive* drive);

// Reads count sectors from the drive into pcm (count x 588 stereo frames);
// false on a read error.
bool cdDriveReadSectors(CdDrive* drive, std::int64_t sector, int count, std::int16_t* pcm);

std::uint32_t cdFramesToMs(std::int64_t frames, int rate);

} // namespace engine
