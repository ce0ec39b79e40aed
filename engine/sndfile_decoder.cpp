// libsndfile as a PCM source, from a file or through virtual I/O over memory.
#include "engine/sndfile_decoder.h"

#include <sndfile.h>

#include <cstring>
#include <new>
#include <string_view>

namespace engine {

struct SndfileDecoder {
    SNDFILE* file = nullptr;
    SF_INFO info{};
    // The block a memory decoder reads, owned by the caller.
    const unsigned char* data = nullptr;
    sf_count_t size = 0;
    sf_count_t offset = 0;
};

namespace {

sf_count_t memoryLength(void* user) {
    return static_cast<SndfileDecoder*>(user)->size;
}

sf_count_t memorySeek(sf_count_t offset, int whence, void* user) {
    auto* d = static_cast<SndfileDecoder*>(user);
    sf_count_t base = 0;
    switch (whence) {
    case SEEK_SET:
        break;
    case SEEK_CUR:
        base = d->offset;
        break;
    case SEEK_END:
        base = d->size;
        break;
    default:
        return -1;
    }
    // Compared before adding: a damaged file can ask for any offset.
    if (offset < -base || offset > d->size - base)
        return -1;
    d->offset = base + offset;
    return d->offset;
}

sf_count_t memoryRead(void* out, sf_count_t count, void* user) {
    auto* d = static_cast<SndfileDecoder*>(user);
    const sf_count_t n = std::min(count, d->size - d->offset);
    if (n <= 0)
        return 0;
    std::memcpy(out, d->data + d->offset, static_cast<std::size_t>(n));
    d->offset += n;
    return n;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t memoryTell(void* user) {
    return static_cast<SndfileDecoder*>(user)->offset;
}

// libsndfile plays what there is of a file whose sound data is cut short and
// only says so in its log ("data : 176400 (should be 88178)"). A cut file is
// refused, so a client hears no half sound it did not ask for.
bool soundDataCutShort(SNDFILE* file) {
    char log[4096] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
    std::string_view rest(log);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        const bool dataChunk = line.starts_with("data") || line.starts_with("SSND");
        if (dataChunk && line.find("should be") != std::string_view::npos)
            return true;
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return false;
}

bool playableChannels(int channels) {
    return channels == 1 || channels == 2 || channels == 4 || (channels >= 6 && channels <= 8);
}

SndfileDecoder* finishOpen(SndfileDecoder* d) {
    if (d->file == nullptr || soundDataCutShort(d->file) || !playableChannels(d->info.channels) ||
        d->info.samplerate <= 0 || d->info.frames < 0) {
        sndfileClose(d);
        return nullptr;
    }
    // SFC_SET_SCALE_FLOAT_INT_READ is left off on purpose: it decodes the
    // whole file at open to find its peak, then plays it louder by that.
    return d;
}

long readFrames(void* context, std::int16_t* pcm, long count) {
    auto* d = static_cast<SndfileDecoder*>(context);
    return static_cast<long>(sf_readf_short(d->file, pcm, count));
}

bool seekFrame(void* context, std::int64_t frame) {
    auto* d = static_cast<SndfileDecoder*>(context);
    return sf_seek(d->file, frame, SEEK_SET) == frame;
}

} // namespace

SndfileDecoder* sndfileOpenFile(const std::string& path) {
    auto* d = new (std::nothrow) SndfileDecoder;
    if (d == nullptr)
        return nullptr;
    d->file = sf_open(path.c_str(), SFM_READ, &d->info);
    return finishOpen(d);
}

SndfileDecoder* sndfileOpenMemory(const void* data, std::uint32_t length) {
    if (data == nullptr || length == 0)
        return nullptr;
    auto* d = new (std::nothrow) SndfileDecoder;
    if (d == nullptr)
        return nullptr;
    d->data = static_cast<const unsigned char*>(data);
    d->size = length;
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    d->file = sf_open_virtual(&io, SFM_READ, &d->info, d);
    return finishOpen(d);
}

void sndfileClose(SndfileDecoder* decoder) {
    if (decoder == nullptr)
        return;
    if (decoder->file != nullptr)
        sf_close(decoder->file);
    delete decoder;
}

PcmSource sndfileSource(SndfileDecoder* decoder) {
    PcmSource source;
    source.context = decoder;
    source.channels = decoder->info.channels;
    source.sampleRate = decoder->info.samplerate;
    source.totalFrames = decoder->info.frames;
    source.read = readFrames;
    source.seek = seekFrame;
    return source;
}

} // namespace engine
