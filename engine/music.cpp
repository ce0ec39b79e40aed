// Musics: tracker modules rendered by libopenmpt as they play, on a streaming
// voice. Length is the number of orders; position is order | row << 16.
#include "engine/engine_internal.h"
#include "engine/file_names.h"
#include "engine/streaming.h"
#include "engine/streaming_owners.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

using namespace engine;

namespace {

constexpr std::uint32_t MUSIC_RAMP = 0x1;
constexpr std::uint32_t MUSIC_RAMP_SENSITIVE = 0x2;
// libopenmpt's ramping strengths: -1 its default, 0 none, up to 10 ms.
constexpr int RAMPING_OFF = 0;
constexpr int RAMPING_NORMAL = -1;
constexpr int RAMPING_SENSITIVE = 5;
constexpr std::uint32_t PAN_SEPARATION_NORMAL = 50;
constexpr std::uint32_t PAN_SEPARATION_MAX = 100;
// Small buffers, so that the reported row follows what is heard closely.
constexpr int MUSIC_FRAMES_PER_BUFFER = 1024;
constexpr long MAX_MODULE_BYTES = 256L * 1024 * 1024;

std::uint32_t orderRow(std::int32_t order, std::int32_t row) {
    return (static_cast<std::uint32_t>(std::max(order, 0)) & 0xFFFF) |
           (static_cast<std::uint32_t>(std::max(row, 0)) & 0xFFFF) << 16;
}

// What the engine calls ask of the module. libopenmpt is touched only by the
// voice's callbacks, which take these requests over under the lock.
struct MusicRequests {
    std::mutex lock;
    bool jump = false;
    bool reset = false;
    std::uint32_t position = 0; // order | row << 16
    bool settingsChanged = true;
    int repeatCount = 0;
    int ramping = RAMPING_OFF;
    int separationPercent = 100;
};

// What the voice's callbacks work on: the module and the requests for it.
struct MusicDecoder {
    openmpt_module* module = nullptr;
    int sampleRate = 44100;
    MusicRequests requests;
};

struct Music {
    // Heap-held, so that the callbacks' context stays put in the table.
    std::unique_ptr<MusicDecoder> decoder;
    StreamingVoice* voice = nullptr;
    std::uint32_t orders = 0;
    double durationSeconds = 0.0;
    float gain = 1.0f;
};

std::map<EngineHandle, Music>& musics() {
    static std::map<EngineHandle, Music> table;
    return table;
}

Music* findMusic(EngineHandle handle) {
    const auto found = musics().find(handle);
    return found == musics().end() ? nullptr : &found->second;
}

void applySettings(MusicDecoder& c) {
    MusicRequests& r = c.requests;
    std::lock_guard<std::mutex> lock(r.lock);
    if (r.settingsChanged) {
        openmpt_module_set_repeat_count(c.module, r.repeatCount);
        openmpt_module_set_render_param(c.module, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH,
                                        r.ramping);
        openmpt_module_set_render_param(c.module, OPENMPT_MODULE_RENDER_STEREOSEPARATION_PERCENT,
                                        r.separationPercent);
        r.settingsChanged = false;
    }
}

long readModule(void* context, std::int16_t* pcm, long count) {
    auto& c = *static_cast<MusicDecoder*>(context);
    applySettings(c);
    return static_cast<long>(openmpt_module_read_interleaved_stereo(
        c.module, c.sampleRate, static_cast<std::size_t>(count), pcm));
}

// The voice seeks when it starts again; the module goes where it was asked.
bool seekModule(void* context, std::int64_t) {
    auto& c = *static_cast<MusicDecoder*>(context);
    applySettings(c);
    MusicRequests& r = c.requests;
    std::lock_guard<std::mutex> lock(r.lock);
    if (!r.jump)
        return true;
    const auto order = static_cast<std::int32_t>(r.position & 0xFFFF);
    const auto row = static_cast<std::int32_t>(r.position >> 16);
    // Going through the start first puts tempo, speed and global volume back
    // to the song's own.
    if (r.reset && (order != 0 || row != 0))
        openmpt_module_set_position_order_row(c.module, 0, 0);
    openmpt_module_set_position_order_row(c.module, order, row);
    r.jump = false;
    return true;
}

std::uint32_t markModule(void* context) {
    auto& c = *static_cast<MusicDecoder*>(context);
    return orderRow(openmpt_module_get_current_order(c.module),
                    openmpt_module_get_current_row(c.module));
}

void applyGain(const Music& m) {
    streamingVoiceSetGain(m.voice, m.gain * output().musicGain);
}

void takeFlags(Music& m, std::uint32_t flags) {
    std::lock_guard<std::mutex> lock(m.decoder->requests.lock);
    m.decoder->requests.repeatCount = (flags & MUSIC_LOOP) != 0 ? -1 : 0;
    m.decoder->requests.ramping = (flags & MUSIC_RAMP_SENSITIVE) != 0 ? RAMPING_SENSITIVE
                                  : (flags & MUSIC_RAMP) != 0         ? RAMPING_NORMAL
                                                                      : RAMPING_OFF;
    m.decoder->requests.settingsChanged = true;
}

// Asks for a jump and moves the voice, which then seeks.
void jumpTo(Music& m, std::uint32_t position, bool reset) {
    {
        std::lock_guard<std::mutex> lock(m.decoder->requests.lock);
        m.decoder->requests.jump = true;
        m.decoder->requests.reset = reset;
        m.decoder->requests.position = position;
    }
    streamingVoiceSetPosition(m.voice, 0, position);
}

void releaseMusic(Music& m) {
    streamingVoiceDestroy(m.voice);
    openmpt_module_destroy(m.decoder->module);
}

bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size > 0 && size <= MAX_MODULE_BYTES && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    }
    std::fclose(f);
    return ok;
}

int musicSetAttributes(EngineHandle handle, std::int32_t, std::int32_t volume, std::int32_t) {
    Music* m = findMusic(handle);
    if (m == nullptr)
        return 0;
    if (volume != -1) {
        m->gain = volumeToGain(volume);
        applyGain(*m);
    }
    return 1;
}

int musicPause(EngineHandle handle) {
    Music* m = findMusic(handle);
    if (m == nullptr || streamingVoiceState(m->voice) != VoiceState::Playing)
        return 0;
    streamingVoicePause(m->voice);
    return 1;
}

int musicResume(EngineHandle handle) {
    Music* m = findMusic(handle);
    if (m == nullptr || streamingVoiceState(m->voice) != VoiceState::Paused)
        return 0;
    streamingVoiceResume(m->voice);
    return 1;
}

int musicStop(EngineHandle handle) {
    Music* m = findMusic(handle);
    if (m == nullptr)
        return 0;
    if (streamingVoiceState(m->voice) != VoiceState::Stopped) {
        // The module has been read ahead of what is heard: a later play
        // goes on from the row heard last.
        streamingVoiceStop(m->voice);
        jumpTo(*m, streamingVoiceMark(m->voice), false);
    }
    return 1;
}

int musicSetPosition(EngineHandle handle, std::uint32_t position) {
    Music* m = findMusic(handle);
    if (m == nullptr || (position & 0xFFFF) >= m->orders)
        return 0;
    jumpTo(*m, position, false);
    return 1;
}

std::uint32_t musicGetPosition(EngineHandle handle) {
    const Music* m = findMusic(handle);
    return m == nullptr ? ENGINE_ERROR : streamingVoiceMark(m->voice);
}

} // namespace

namespace engine {

const ChannelOps musicChannelOps{musicSetAttributes, musicPause,       musicResume,
                                 musicStop,          musicSetPosition, musicGetPosition};

void musicsRefreshGains() {
    for (const auto& [handle, m] : musics())
        applyGain(m);
}

void musicsReleaseAll() {
    for (auto& [handle, m] : musics())
        releaseMusic(m);
    musics().clear();
}

int musicsCount() {
    return static_cast<int>(musics().size());
}

} // namespace engine

// A file is read whole, so for a file the offset and length must be 0.
EngineHandle BASS_MusicLoad(bool fromMemory, const void* file, std::uint32_t offset,
                            std::uint32_t length, std::uint32_t flags) {
    Guard guard(stateMutex());
    if (!output().initialised || file == nullptr)
        return 0;
    std::vector<unsigned char> fileBytes;
    const void* data = nullptr;
    std::size_t size = 0;
    if (fromMemory) {
        data = static_cast<const unsigned char*>(file) + offset;
        size = length;
    } else {
        const auto path = resolveClientFileName(static_cast<const char*>(file));
        if (offset != 0 || length != 0 || !path || !readWholeFile(*path, fileBytes))
            return 0;
        data = fileBytes.data();
        size = fileBytes.size();
    }
    if (size == 0)
        return 0;
    int error = 0;
    openmpt_module* module = openmpt_module_create_from_memory2(data, size, openmpt_log_func_silent,
                                                                nullptr, openmpt_error_func_store,
                                                                &error, &error, nullptr, nullptr);
    if (module == nullptr)
        return 0;
    const std::int32_t orders = openmpt_module_get_num_orders(module);
    if (orders <= 0) {
        openmpt_module_destroy(module);
        return 0;
    }
    auto decoder = std::make_unique<MusicDecoder>();
    decoder->module = module;
    decoder->sampleRate = output().frequency;
    PcmSource source;
    source.context = decoder.get();
    source.channels = 2;
    source.sampleRate = decoder->sampleRate;
    source.read = readModule;
    source.seek = seekModule;
    source.mark = markModule;
    source.framesPerBuffer = MUSIC_FRAMES_PER_BUFFER;
    StreamingVoice* voice = streamingVoiceCreate(source);
    if (voice == nullptr) {
        openmpt_module_destroy(module);
        return 0;
    }
    const EngineHandle handle = newHandle(HandleKind::Music);
    Music& m = musics()[handle];
    m.decoder = std::move(decoder);
    m.voice = voice;
    m.orders = static_cast<std::uint32_t>(orders);
    m.durationSeconds = openmpt_module_get_duration_seconds(module);
    takeFlags(m, flags);
    applyGain(m);
    return handle;
}

// With playLength, the bytes of 16-bit stereo output of one play through.
std::uint32_t BASS_MusicGetLength(EngineHandle music, bool playLength) {
    Guard guard(stateMutex());
    const Music* m = findMusic(music);
    if (m == nullptr)
        return ENGINE_ERROR;
    if (!playLength)
        return m->orders;
    const double bytes = m->durationSeconds * m->decoder->sampleRate * 4.0;
    return static_cast<std::uint32_t>(std::clamp(bytes, 0.0, double{ENGINE_ERROR - 1}));
}

// flags -1 keeps the load flags; the loop flag is taken from them.
int BASS_MusicPlayEx(EngineHandle music, std::uint32_t position, std::int32_t flags, bool reset) {
    Guard guard(stateMutex());
    Music* m = findMusic(music);
    if (m == nullptr || (position & 0xFFFF) >= m->orders)
        return 0;
    if (flags != -1)
        takeFlags(*m, static_cast<std::uint32_t>(flags));
    jumpTo(*m, position, reset);
    streamingVoicePlay(m->voice, false, false);
    return 1;
}

// 50 is the module's own separation; 0 is mono, 100 twice as wide.
int BASS_MusicSetPanSep(EngineHandle music, std::uint32_t separation) {
    Guard guard(stateMutex());
    Music* m = findMusic(music);
    if (m == nullptr)
        return 0;
    const std::uint32_t clamped = std::min(separation, PAN_SEPARATION_MAX);
    std::lock_guard<std::mutex> lock(m->decoder->requests.lock);
    m->decoder->requests.separationPercent =
        static_cast<int>(clamped * 100 / PAN_SEPARATION_NORMAL);
    m->decoder->requests.settingsChanged = true;
    return 1;
}

int BASS_MusicFree(EngineHandle music) {
    Guard guard(stateMutex());
    const auto found = musics().find(music);
    if (found == musics().end())
        return 0;
    releaseMusic(found->second);
    musics().erase(found);
    return 1;
}
