#include "engine/cd_track_reader.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <sys/types.h>
#include <vector>

namespace engine {

struct CdTrackReader {
    CdTrackOrigin origin = CdTrackOrigin::Data;
    SNDFILE* sound = nullptr; // SoundFile
    int fileChannels = 0;     // SoundFile: what the file holds
    int channels = 0;         // what the voice is given, 1 or 2
    int rate = CD_RATE;
    std::FILE* image = nullptr; // RawImage
    bool bigEndian = false;
    CdDrive* drive = nullptr; // Drive, borrowed from the disc
    std::int64_t first = 0;
    std::int64_t frames = 0;
    std::int64_t next = 0; // the next frame to read, from the track's start
    std::vector<std::int16_t> scratch;
    std::vector<std::uint8_t> bytes;
};

namespace {

constexpr long DRIVE_SECTORS_PER_READ = 8;

bool seekImage(CdTrackReader& r) {
    return fseeko(r.image, static_cast<off_t>(r.first + r.next * CD_BYTES_PER_FRAME), SEEK_SET) ==
           0;
}

long readSoundFile(CdTrackReader& r, std::int16_t* pcm, long count) {
    if (r.fileChannels == r.channels)
        return static_cast<long>(sf_readf_short(r.sound, pcm, count));
    // More than two channels: the first two are the stereo pair.
    r.scratch.resize(static_cast<std::size_t>(count) * static_cast<std::size_t>(r.fileChannels));
    const auto got = static_cast<long>(sf_readf_short(r.sound, r.scratch.data(), count));
    for (long f = 0; f < got; ++f) {
        pcm[2 * f] = r.scratch[static_cast<std::size_t>(f * r.fileChannels)];
        pcm[2 * f + 1] = r.scratch[static_cast<std::size_t>(f * r.fileChannels + 1)];
    }
    return got;
}

long readImage(CdTrackReader& r, std::int16_t* pcm, long count) {
    r.bytes.resize(static_cast<std::size_t>(count * CD_BYTES_PER_FRAME));
    const std::size_t got =
        std::fread(r.bytes.data(), CD_BYTES_PER_FRAME, static_cast<std::size_t>(count), r.image);
    const std::size_t values = got * CD_CHANNELS;
    for (std::size_t i = 0; i < values; ++i) {
        const std::uint8_t a = r.bytes[2 * i];
        const std::uint8_t b = r.bytes[2 * i + 1];
        const auto value = r.bigEndian ? static_cast<std::uint16_t>(a << 8 | b)
                                       : static_cast<std::uint16_t>(b << 8 | a);
        pcm[i] = static_cast<std::int16_t>(value);
    }
    if (got == 0 && std::ferror(r.image) != 0)
        return -1;
    return static_cast<long>(got);
}

// The drive reads whole sectors; a read that starts inside one throws away
// the frames before it.
long readDrive(CdTrackReader& r, std::int16_t* pcm, long count) {
    const std::int64_t sector = r.next / CD_FRAMES_PER_SECTOR;
    const std::int64_t skip = r.next % CD_FRAMES_PER_SECTOR;
    const std::int64_t sectorsLeft =
        (r.frames + CD_FRAMES_PER_SECTOR - 1) / CD_FRAMES_PER_SECTOR - sector;
    const auto sectors =
        static_cast<int>(std::min<std::int64_t>(sectorsLeft, DRIVE_SECTORS_PER_READ));
    if (sectors <= 0)
        return 0;
    r.scratch.resize(static_cast<std::size_t>(sectors * CD_FRAMES_PER_SECTOR * CD_CHANNELS));
    if (!cdDriveReadSectors(r.drive, r.first + sector, sectors, r.scratch.data()))
        return -1;
    const std::int64_t available = sectors * CD_FRAMES_PER_SECTOR - skip;
    const long got = static_cast<long>(std::min<std::int64_t>(available, count));
    std::copy_n(r.scratch.begin() + skip * CD_CHANNELS, got * CD_CHANNELS, pcm);
    return got;
}

long readTrack(void* context, std::int16_t* pcm, long count) {
    auto& r = *static_cast<CdTrackReader*>(context);
    count = static_cast<long>(std::min<std::int64_t>(count, r.frames - r.next));
    if (count <= 0)
        return 0;
    long got = -1;
    switch (r.origin) {
    case CdTrackOrigin::SoundFile:
        got = readSoundFile(r, pcm, count);
        break;
    case CdTrackOrigin::RawImage:
        got = readImage(r, pcm, count);
        break;
    case CdTrackOrigin::Drive:
        got = readDrive(r, pcm, count);
        break;
    case CdTrackOrigin::Data:
        break;
    }
    if (got > 0)
        r.next += got;
    return got;
}

bool seekTrack(void* context, std::int64_t frame) {
    auto& r = *static_cast<CdTrackReader*>(context);
    if (frame < 0 || frame > r.frames)
        return false;
    const std::int64_t before = r.next;
    r.next = frame;
    bool moved = true;
    switch (r.origin) {
    case CdTrackOrigin::SoundFile:
        moved = sf_seek(r.sound, r.first + frame, SEEK_SET) >= 0;
        break;
    case CdTrackOrigin::RawImage:
        moved = seekImage(r);
        break;
    case CdTrackOrigin::Drive:
    case CdTrackOrigin::Data:
        break;
    }
    if (!moved)
        r.next = before;
    return moved;
}

bool openSoundFile(CdTrackReader& r, const CdTrack& track) {
    SF_INFO info{};
    r.sound = sf_open(track.path.c_str(), SFM_READ, &info);
    if (r.sound == nullptr)
        return false;
    r.fileChannels = info.channels;
    r.channels = std::min(info.channels, CD_CHANNELS);
    r.rate = info.samplerate;
    if (r.channels <= 0 || r.rate <= 0)
        return false;
    return sf_seek(r.sound, r.first, SEEK_SET) >= 0;
}

bool openImage(CdTrackReader& r, const CdTrack& track) {
    r.image = std::fopen(track.path.c_str(), "rb");
    r.channels = CD_CHANNELS;
    r.bigEndian = track.bigEndian;
    return r.image != nullptr && seekImage(r);
}

} // namespace

CdTrackReader* cdTrackReaderOpen(const CdTrack& track, CdDrive* drive) {
    if (track.origin == CdTrackOrigin::Data || track.frames <= 0)
        return nullptr;
    auto* reader = new (std::nothrow) CdTrackReader{};
    if (reader == nullptr)
        return nullptr;
    reader->origin = track.origin;
    reader->first = track.first;
    reader->frames = track.frames;
    bool opened = false;
    switch (track.origin) {
    case CdTrackOrigin::SoundFile:
        opened = openSoundFile(*reader, track);
        break;
    case CdTrackOrigin::RawImage:
        opened = openImage(*reader, track);
        break;
    case CdTrackOrigin::Drive:
        reader->drive = drive;
        reader->channels = CD_CHANNELS;
        opened = drive != nullptr;
        break;
    case CdTrackOrigin::Data:
        break;
    }
    if (!opened) {
        cdTrackReaderClose(reader);
        return nullptr;
    }
    return reader;
}

void cdTrackReaderClose(CdTrackReader* reader) {
    if (reader == nullptr)
        return;
    if (reader->sound != nullptr)
        sf_close(reader->sound);
    if (reader->image != nullptr)
        std::fclose(reader->image);
    delete reader;
}

PcmSource cdTrackReaderSource(CdTrackReader* reader) {
    PcmSource source;
    source.context = reader;
    source.channels = reader->channels;
    source.sampleRate = reader->rate;
    source.totalFrames = reader->frames;
    source.read = readTrack;
    source.seek = seekTrack;
    return source;
}

} // namespace engine
