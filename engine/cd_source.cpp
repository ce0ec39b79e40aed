#include "engine/cd_source.h"

#include "engine/cue_sheet.h"
#include "engine/file_names.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace engine {

namespace {

constexpr int MAX_TRACK_NUMBER = 99;
// A ripped data track is most often an ISO image of 2048-byte sectors.
constexpr std::int64_t DATA_SECTOR_BYTES = 2048;
// A CUE sheet is a page of text; anything far larger is not one.
constexpr std::uintmax_t MAX_CUE_BYTES = 1 << 20;

std::string lowerCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The entry of the current directory with this name in any letter case; the
// exact name first, then the first in name order.
std::optional<fs::path> findInCurrentDirectory(const std::string& lowerName, bool wantDirectory) {
    std::error_code error;
    std::vector<fs::path> matches;
    for (fs::directory_iterator it(".", error), end; !error && it != end; it.increment(error)) {
        const fs::path name = it->path().filename();
        if (lowerCase(name.string()) != lowerName)
            continue;
        std::error_code kindError;
        const bool isDirectory = it->is_directory(kindError);
        const bool isFile = it->is_regular_file(kindError);
        if ((wantDirectory && isDirectory) || (!wantDirectory && isFile))
            matches.push_back(name);
    }
    if (matches.empty())
        return std::nullopt;
    std::sort(matches.begin(), matches.end());
    auto exact = std::find(matches.begin(), matches.end(), fs::path(lowerName));
    return exact != matches.end() ? *exact : matches.front();
}

struct SoundFileInfo {
    std::int64_t frames = 0;
    int rate = 0;
};

std::optional<SoundFileInfo> soundFileInfo(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return std::nullopt;
    sf_close(file);
    if (info.samplerate <= 0 || info.channels <= 0 || info.frames < 0)
        return std::nullopt;
    return SoundFileInfo{info.frames, info.samplerate};
}

// "trackNN.ext" or "NN.ext" in any letter case; the track number, or 0.
int folderTrackNumber(const std::string& fileName) {
    std::string name = lowerCase(fileName);
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos || dot + 1 == name.size())
        return 0;
    std::string stem = name.substr(0, dot);
    if (stem.rfind("track", 0) == 0)
        stem.erase(0, 5);
    if (stem.empty() || stem.size() > 3 ||
        !std::all_of(stem.begin(), stem.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    const int number = std::stoi(stem);
    return number <= MAX_TRACK_NUMBER ? number : 0;
}

CdTrack folderTrack(const fs::path& path) {
    CdTrack track;
    track.path = path.string();
    if (const auto info = soundFileInfo(track.path)) {
        track.origin = CdTrackOrigin::SoundFile;
        track.frames = info->frames;
        track.lengthMs = cdFramesToMs(info->frames, info->rate);
        return track;
    }
    std::error_code error;
    const std::uintmax_t bytes = fs::file_size(path, error);
    track.origin = CdTrackOrigin::Data;
    if (!error)
        track.lengthMs = cdFramesToMs(
            static_cast<std::int64_t>(bytes) / DATA_SECTOR_BYTES * CD_FRAMES_PER_SECTOR, CD_RATE);
    return track;
}

bool readWholeFile(const fs::path& path, std::string& text) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > MAX_CUE_BYTES)
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        return false;
    text = content.str();
    return true;
}

void reject(const std::string& why) {
    std::fprintf(stderr, "soundserver: cdaudio.cue not used: %s\n", why.c_str());
}

// Lays the tracks of one FILE of the sheet out in it: each runs from its
// INDEX 01 to the next one's in the same file, the last to the file's end.
bool layOutFile(const CueSheet& sheet, std::size_t fileIndex, const std::string& path,
                std::vector<CdTrack>& tracks) {
    const CueFile& file = sheet.files[fileIndex];
    std::vector<std::size_t> inFile;
    for (std::size_t t = 0; t < sheet.tracks.size(); ++t)
        if (sheet.tracks[t].file == fileIndex)
            inFile.push_back(t);
    if (inFile.empty())
        return true;
    if (file.type == CueFileType::Wave) {
        const auto info = soundFileInfo(path);
        if (!info) {
            reject("cannot decode " + file.name);
            return false;
        }
        for (std::size_t k = 0; k < inFile.size(); ++k) {
            const CueTrack& cue = sheet.tracks[inFile[k]];
            const std::int64_t first = cue.start * info->rate / CD_SECTORS_PER_SECOND;
            const std::int64_t end = k + 1 < inFile.size() ? sheet.tracks[inFile[k + 1]].start *
                                                                 info->rate / CD_SECTORS_PER_SECOND
                                                           : info->frames;
            if (end <= first) {
                reject("track " + std::to_string(cue.number) + " starts past the end of " +
                       file.name);
                return false;
            }
            CdTrack& track = tracks[inFile[k]];
            track.origin = cue.audio ? CdTrackOrigin::SoundFile : CdTrackOrigin::Data;
            track.path = path;
            track.first = first;
            track.frames = end - first;
            track.lengthMs = cdFramesToMs(track.frames, info->rate);
        }
        return true;
    }
    std::error_code error;
    const auto fileBytes = static_cast<std::int64_t>(fs::file_size(path, error));
    if (error) {
        reject("cannot read " + file.name);
        return false;
    }
    // Sector sizes may differ between the tracks of one image, so each
    // track's byte offset follows from the one before it.
    std::int64_t offset = sheet.tracks[inFile[0]].start * sheet.tracks[inFile[0]].sectorBytes;
    for (std::size_t k = 0; k < inFile.size(); ++k) {
        const CueTrack& cue = sheet.tracks[inFile[k]];
        const std::int64_t sectors = k + 1 < inFile.size()
                                         ? sheet.tracks[inFile[k + 1]].start - cue.start
                                         : (fileBytes - offset) / cue.sectorBytes;
        if (sectors <= 0 || offset + sectors * cue.sectorBytes > fileBytes) {
            reject("track " + std::to_string(cue.number) + " lies past the end of " + file.name);
            return false;
        }
        CdTrack& track = tracks[inFile[k]];
        track.origin = cue.audio ? CdTrackOrigin::RawImage : CdTrackOrigin::Data;
        track.path = path;
        track.bigEndian = file.type == CueFileType::Motorola;
        track.first = offset;
        track.frames = sectors * CD_FRAMES_PER_SECTOR;
        track.lengthMs = cdFramesToMs(track.frames, CD_RATE);
        offset += sectors * cue.sectorBytes;
    }
    return true;
}

} // namespace

std::uint32_t cdFramesToMs(std::int64_t frames, int rate) {
    if (frames <= 0 || rate <= 0)
        return 0;
    const std::int64_t ms = frames * 1000 / rate;
    return static_cast<std::uint32_t>(std::min<std::int64_t>(ms, 0xFFFFFFFE));
}

bool cdFolderFind(CdDisc& disc) {
    const auto folder = findInCurrentDirectory("cdaudio", true);
    if (!folder)
        return false;
    std::map<int, fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(*folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code kindError;
        if (!it->is_regular_file(kindError))
            continue;
        const int number = folderTrackNumber(it->path().filename().string());
        if (number == 0)
            continue;
        // Of two files for one track, the first in name order is taken.
        auto [entry, added] = files.emplace(number, it->path());
        if (!added && it->path() < entry->second)
            entry->second = it->path();
    }
    if (files.empty())
        return false;
    const int highest = files.rbegin()->first;
    disc.tracks.assign(static_cast<std::size_t>(highest), CdTrack{});
    for (const auto& [number, path] : files)
        disc.tracks[static_cast<std::size_t>(number - 1)] = folderTrack(path);
    return true;
}

bool cdCueSheetFind(CdDisc& disc) {
    const auto sheetPath = findInCurrentDirectory("cdaudio.cue", false);
    if (!sheetPath)
        return false;
    std::string text;
    if (!readWholeFile(*sheetPath, text)) {
        reject("cannot be read");
        return false;
    }
    const CueParseResult parsed = parseCueSheet(text);
    if (!parsed.sheet) {
        reject(parsed.error);
        return false;
    }
    const CueSheet& sheet = *parsed.sheet;
    std::vector<CdTrack> tracks(sheet.tracks.size());
    for (std::size_t f = 0; f < sheet.files.size(); ++f) {
        const auto path = resolveClientFileName(sheet.files[f].name.c_str());
        if (!path) {
            reject("no file " + sheet.files[f].name);
            return false;
        }
        if (!layOutFile(sheet, f, *path, tracks))
            return false;
    }
    disc.tracks = std::move(tracks);
    return true;
}

bool cdSourceFind(const char* driveName, CdDisc& disc) {
    disc = CdDisc{};
    if (driveName == nullptr && (cdFolderFind(disc) || cdCueSheetFind(disc)))
        return true;
    disc = CdDisc{};
    return cdDriveFind(driveName, disc);
}

void cdSourceRelease(CdDisc& disc) {
    if (disc.drive != nullptr)
        cdDriveClose(disc.drive);
    disc = CdDisc{};
}

} // namespace engine
