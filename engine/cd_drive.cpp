// A real CD drive through libcdio: its table of contents, and digital reads of
// its audio sectors.
#include "engine/cd_source.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <cstdio>

namespace engine {

struct CdDrive {
    CdIo_t* cdio = nullptr;
};

namespace {

// libcdio's own handler ends the process on an error; a sound server must not
// end because a drive is missing or a disc is scratched.
void logHandler(cdio_log_level_t level, const char message[]) {
    if (level >= CDIO_LOG_ERROR)
        std::fprintf(stderr, "soundserver: CD drive: %s\n", message);
}

void installLogHandler() {
    static const bool installed = [] {
        cdio_log_set_handler(logHandler);
        return true;
    }();
    (void)installed;
}

bool readTableOfContents(CdIo_t* cdio, std::vector<CdTrack>& tracks) {
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0)
        return false;
    for (track_t n = first; n < first + count; ++n) {
        const lsn_t start = cdio_get_track_lsn(cdio, n);
        const lsn_t last = cdio_get_track_last_lsn(cdio, n);
        if (start == CDIO_INVALID_LSN || last == CDIO_INVALID_LSN || last < start)
            return false;
        CdTrack track;
        track.origin = cdio_get_track_format(cdio, n) == TRACK_FORMAT_AUDIO ? CdTrackOrigin::Drive
                                                                            : CdTrackOrigin::Data;
        track.first = start;
        track.frames = (std::int64_t{last} - start + 1) * CD_FRAMES_PER_SECTOR;
        track.lengthMs = cdFramesToMs(track.frames, CD_RATE);
        tracks.push_back(track);
    }
    return true;
}

} // namespace

bool cdDriveFind(const char* driveName, CdDisc& disc) {
    installLogHandler();
    CdIo_t* cdio = cdio_open(driveName, DRIVER_DEVICE);
    if (cdio == nullptr)
        return false;
    std::vector<CdTrack> tracks;
    if (!readTableOfContents(cdio, tracks)) {
        cdio_destroy(cdio);
        return false;
    }
    auto* drive = new (std::nothrow) CdDrive{cdio};
    if (drive == nullptr) {
        cdio_destroy(cdio);
        return false;
    }
    disc.tracks = std::move(tracks);
    disc.drive = drive;
    return true;
}

void cdDriveClose(CdDrive* drive) {
    if (drive == nullptr)
        return;
    cdio_destroy(drive->cdio);
    delete drive;
}

bool cdDriveReadSectors(CdDrive* drive, std::int64_t sector, int count, std::int16_t* pcm) {
    if (drive == nullptr || count <= 0)
        return false;
    return cdio_read_audio_sectors(drive->cdio, pcm, static_cast<lsn_t>(sector),
                                   static_cast<std::uint32_t>(count)) == DRIVER_OP_SUCCESS;
}

} // namespace engine
