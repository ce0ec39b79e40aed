#include "engine/sample_decode.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace engine {

namespace {

constexpr sf_count_t READ_CHUNK_FRAMES = 16384;
constexpr float FULL_SCALE_16 = 32767.0f;
// One OpenAL buffer is addressed with 32-bit byte counts and offsets.
constexpr std::uint64_t MAX_SAMPLE_BYTES = std::numeric_limits<std::int32_t>::max();

struct FileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

struct MemoryFile {
    const unsigned char* data;
    sf_count_t length;
    sf_count_t position;
};

sf_count_t memoryLength(void* user) {
    return static_cast<MemoryFile*>(user)->length;
}

sf_count_t memorySeek(sf_count_t offset, int whence, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    sf_count_t base = 0;
    if (whence == SEEK_CUR)
        base = file->position;
    else if (whence == SEEK_END)
        base = file->length;
    file->position = std::clamp<sf_count_t>(base + offset, 0, file->length);
    return file->position;
}

sf_count_t memoryRead(void* out, sf_count_t count, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t taken = std::clamp<sf_count_t>(count, 0, file->length - file->position);
    std::memcpy(out, file->data + file->position, static_cast<std::size_t>(taken));
    file->position += taken;
    return taken;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t memoryTell(void* user) {
    return static_cast<MemoryFile*>(user)->position;
}

// libsndfile reads every format as floats of full scale 1.0, integer and
// floating-point files alike; the 16-bit value clips what lies beyond, rounds
// half away from zero, and a float file's NaN is silence. Written without a
// library call per sample: this runs for every sample of every load.
inline std::int16_t toWord16(float value) {
    if (!(value > -1.0f))
        value = value == value ? -1.0f : 0.0f;
    else if (value > 1.0f)
        value = 1.0f;
    const float scaled = value * FULL_SCALE_16;
    return static_cast<std::int16_t>(scaled + (scaled >= 0.0f ? 0.5f : -0.5f));
}

void storeSample(DecodedSample& sound, int plane, std::size_t frame, float value) {
    const std::int16_t word = toWord16(value);
    auto& bytes = sound.planes[static_cast<std::size_t>(plane)];
    if (sound.eightBit) {
        bytes[frame] = static_cast<std::uint8_t>((word >> 8) + 128);
    } else {
        const auto bits = static_cast<std::uint16_t>(word);
        bytes[2 * frame] = static_cast<std::uint8_t>(bits & 0xFF);
        bytes[2 * frame + 1] = static_cast<std::uint8_t>(bits >> 8);
    }
}

bool holdsSixteenBitsOrFewer(const SF_INFO& info) {
    switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
        return true;
    default:
        return false;
    }
}

// Integer files of 16 bits or fewer, kept in their channels: libsndfile's own
// 16-bit reading is exact for them and far cheaper than a float round trip.
bool decodeIntegerPcm(std::unique_ptr<SNDFILE, FileCloser> file, DecodedSample& sound) {
    const auto channels = static_cast<std::size_t>(sound.channels);
    std::vector<std::int16_t> chunk(static_cast<std::size_t>(READ_CHUNK_FRAMES) * channels);
    std::size_t frames = 0;
    for (;;) {
        const sf_count_t got = sf_readf_short(file.get(), chunk.data(), READ_CHUNK_FRAMES);
        if (got <= 0)
            break;
        const auto count = static_cast<std::size_t>(got);
        if ((frames + count) * 2 * channels > MAX_SAMPLE_BYTES)
            return false;
        for (std::size_t c = 0; c < channels; ++c) {
            auto& bytes = sound.planes[c];
            bytes.resize((frames + count) * 2);
            std::uint8_t* out = &bytes[2 * frames];
            for (std::size_t i = 0; i < count; ++i) {
                const auto bits = static_cast<std::uint16_t>(chunk[i * channels + c]);
                out[2 * i] = static_cast<std::uint8_t>(bits & 0xFF);
                out[2 * i + 1] = static_cast<std::uint8_t>(bits >> 8);
            }
        }
        frames += count;
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR || frames == 0)
        return false;
    sound.frames = static_cast<std::uint32_t>(frames);
    return true;
}

bool decode(SNDFILE* raw, const SF_INFO& info, bool eightBit, bool mono, DecodedSample& sound) {
    std::unique_ptr<SNDFILE, FileCloser> file(raw);
    if (info.channels < 1 || info.samplerate < 1)
        return false;
    sound.rate = info.samplerate;
    sound.channels = mono || info.channels > 2 ? 1 : info.channels;
    sound.eightBit = eightBit;
    sound.planes.resize(static_cast<std::size_t>(sound.channels));
    for (auto& plane : sound.planes)
        plane.clear();
    const std::size_t bytesPerSample = eightBit ? 1 : 2;

    const auto inputChannels = static_cast<std::size_t>(info.channels);
    if (info.frames > 0 &&
        static_cast<std::uint64_t>(info.frames) * bytesPerSample <= MAX_SAMPLE_BYTES)
        for (auto& plane : sound.planes)
            plane.reserve(static_cast<std::size_t>(info.frames) * bytesPerSample);
    if (!eightBit && holdsSixteenBitsOrFewer(info) && sound.channels == info.channels)
        return decodeIntegerPcm(std::move(file), sound);
    std::vector<float> chunk(static_cast<std::size_t>(READ_CHUNK_FRAMES) * inputChannels);
    std::size_t frames = 0;
    for (;;) {
        const sf_count_t got = sf_readf_float(file.get(), chunk.data(), READ_CHUNK_FRAMES);
        if (got <= 0)
            break;
        const auto count = static_cast<std::size_t>(got);
        if ((frames + count) * bytesPerSample * static_cast<std::size_t>(sound.channels) >
            MAX_SAMPLE_BYTES)
            return false;
        for (auto& plane : sound.planes)
            plane.resize((frames + count) * bytesPerSample);
        for (std::size_t i = 0; i < count; ++i) {
            const float* frame = &chunk[i * inputChannels];
            if (sound.channels == 1) {
                float sum = 0.0f;
                for (std::size_t c = 0; c < inputChannels; ++c)
                    sum += frame[c];
                storeSample(sound, 0, frames + i, sum / static_cast<float>(inputChannels));
            } else {
                storeSample(sound, 0, frames + i, frame[0]);
                storeSample(sound, 1, frames + i, frame[1]);
            }
        }
        frames += count;
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR || frames == 0)
        return false;
    sound.frames = static_cast<std::uint32_t>(frames);
    return true;
}

} // namespace

bool decodeSampleFile(const std::string& path, bool eightBit, bool mono, DecodedSample& sound) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return false;
    return decode(file, info, eightBit, mono, sound);
}

bool decodeSampleMemory(const void* data, std::uint32_t length, bool eightBit, bool mono,
                        DecodedSample& sound) {
    if (data == nullptr || length == 0)
        return false;
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    MemoryFile memory{static_cast<const unsigned char*>(data), length, 0};
    SF_INFO info{};
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &memory);
    if (file == nullptr)
        return false;
    return decode(file, info, eightBit, mono, sound);
}

} // namespace engine
