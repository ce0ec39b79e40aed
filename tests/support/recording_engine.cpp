#include "tests/support/recording_engine.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

RecordingEngine engineRecord;

std::uint32_t result(const std::string& name) {
    auto queue = engineRecord.results.find(name);
    if (queue != engineRecord.results.end() && !queue->second.empty()) {
        const std::uint32_t value = queue->second.front();
        queue->second.pop_front();
        return value;
    }
    auto fixed = engineRecord.defaultResults.find(name);
    return fixed != engineRecord.defaultResults.end() ? fixed->second : 1u;
}

void append(std::ostringstream&) {}

template <typename First, typename... Rest>
void append(std::ostringstream& out, const First& first, const Rest&... rest) {
    out << first;
    if constexpr (sizeof...(rest) > 0) {
        out << ',';
        append(out, rest...);
    }
}

template <typename... Args> std::uint32_t record(const std::string& name, const Args&... args) {
    std::ostringstream line;
    line << name << '(';
    append(line, args...);
    line << ')';
    engineRecord.calls.push_back(line.str());
    if (engineRecord.onCall)
        engineRecord.onCall(engineRecord.calls.back());
    return result(name);
}

std::string sampleText(const BASS_SAMPLE& info) {
    std::ostringstream out;
    out << '{' << info.freq << ',' << info.volume << ',' << info.pan << ',' << info.flags << '}';
    return out.str();
}

} // namespace

RecordingEngine& recorder() {
    return engineRecord;
}

void resetRecorder() {
    engineRecord = RecordingEngine{};
}

std::string floatText(float value) {
    char text[48];
    if (std::isnan(value))
        std::snprintf(text, sizeof text, "nan:%08x", std::bit_cast<std::uint32_t>(value));
    else
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string vectorText(const BASS_3DVECTOR* vector) {
    if (vector == nullptr)
        return "null";
    return "(" + floatText(vector->x) + " " + floatText(vector->y) + " " + floatText(vector->z) +
           ")";
}

std::vector<std::string> callsNamed(const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& call : engineRecord.calls)
        if (call.rfind(prefix, 0) == 0)
            found.push_back(call);
    return found;
}

int BASS_Init(int device, std::uint32_t frequency, std::uint32_t flags, void* window) {
    return static_cast<int>(
        record("BASS_Init", device, frequency, flags, window == nullptr ? 0 : 1));
}
int BASS_Start() {
    return static_cast<int>(record("BASS_Start"));
}
int BASS_Stop() {
    return static_cast<int>(record("BASS_Stop"));
}
int BASS_Free() {
    return static_cast<int>(record("BASS_Free"));
}

EngineHandle BASS_SampleLoad(bool fromMemory, const void* file, std::uint32_t offset,
                             std::uint32_t length, std::uint32_t max, std::uint32_t flags) {
    const std::string name = fromMemory ? "<memory>" : static_cast<const char*>(file);
    return record("BASS_SampleLoad", fromMemory, name, offset, length, max, flags);
}
int BASS_SampleGetInfo(EngineHandle sample, BASS_SAMPLE* info) {
    const int ok = static_cast<int>(record("BASS_SampleGetInfo", sample));
    auto found = engineRecord.sampleInfo.find(sample);
    if (found == engineRecord.sampleInfo.end())
        return 0;
    *info = found->second;
    return ok;
}
int BASS_SampleSetInfo(EngineHandle sample, const BASS_SAMPLE* info) {
    engineRecord.sampleInfo[sample] = *info;
    return static_cast<int>(record("BASS_SampleSetInfo", sample, sampleText(*info)));
}
EngineHandle BASS_SamplePlayEx(EngineHandle sample, std::uint32_t start, std::int32_t frequency,
                               std::int32_t volume, std::int32_t pan, bool loop) {
    return record("BASS_SamplePlayEx", sample, start, frequency, volume, pan, loop);
}
EngineHandle BASS_SamplePlay3DEx(EngineHandle sample, const BASS_3DVECTOR* position,
                                 const BASS_3DVECTOR* orientation, const BASS_3DVECTOR* velocity,
                                 std::uint32_t start, std::int32_t frequency, std::int32_t volume,
                                 bool loop) {
    return record("BASS_SamplePlay3DEx", sample, vectorText(position), vectorText(orientation),
                  vectorText(velocity), start, frequency, volume, loop);
}
int BASS_SampleStop(EngineHandle sample) {
    return static_cast<int>(record("BASS_SampleStop", sample));
}
int BASS_SampleFree(EngineHandle sample) {
    return static_cast<int>(record("BASS_SampleFree", sample));
}

int BASS_ChannelSetAttributes(EngineHandle channel, std::int32_t frequency, std::int32_t volume,
                              std::int32_t pan) {
    return static_cast<int>(record("BASS_ChannelSetAttributes", channel, frequency, volume, pan));
}
int BASS_ChannelPause(EngineHandle channel) {
    return static_cast<int>(record("BASS_ChannelPause", channel));
}
int BASS_ChannelResume(EngineHandle channel) {
    return static_cast<int>(record("BASS_ChannelResume", channel));
}
int BASS_ChannelStop(EngineHandle channel) {
    return static_cast<int>(record("BASS_ChannelStop", channel));
}
int BASS_ChannelSetPosition(EngineHandle channel, std::uint32_t position) {
    return static_cast<int>(record("BASS_ChannelSetPosition", channel, position));
}
std::uint32_t BASS_ChannelGetPosition(EngineHandle channel) {
    return record("BASS_ChannelGetPosition", channel);
}

EngineHandle BASS_StreamCreateFile(bool fromMemory, const void* file, std::uint32_t offset,
                                   std::uint32_t length, std::uint32_t flags) {
    const std::string name = fromMemory ? "<memory>" : static_cast<const char*>(file);
    return record("BASS_StreamCreateFile", fromMemory, name, offset, length, flags);
}
std::uint32_t BASS_StreamGetLength(EngineHandle stream) {
    return record("BASS_StreamGetLength", stream);
}
int BASS_StreamPlay(EngineHandle stream, bool flush, std::uint32_t flags) {
    return static_cast<int>(record("BASS_StreamPlay", stream, flush, flags));
}
int BASS_StreamFree(EngineHandle stream) {
    return static_cast<int>(record("BASS_StreamFree", stream));
}

EngineHandle BASS_MusicLoad(bool fromMemory, const void* file, std::uint32_t offset,
                            std::uint32_t length, std::uint32_t flags) {
    const std::string name = fromMemory ? "<memory>" : static_cast<const char*>(file);
    return record("BASS_MusicLoad", fromMemory, name, offset, length, flags);
}
std::uint32_t BASS_MusicGetLength(EngineHandle music, bool playLength) {
    return record("BASS_MusicGetLength", music, playLength);
}
int BASS_MusicPlayEx(EngineHandle music, std::uint32_t position, std::int32_t flags, bool reset) {
    return static_cast<int>(record("BASS_MusicPlayEx", music, position, flags, reset));
}
int BASS_MusicSetPanSep(EngineHandle music, std::uint32_t separation) {
    return static_cast<int>(record("BASS_MusicSetPanSep", music, separation));
}
int BASS_MusicFree(EngineHandle music) {
    return static_cast<int>(record("BASS_MusicFree", music));
}

int BASS_SetVolume(std::int32_t volume) {
    return static_cast<int>(record("BASS_SetVolume", volume));
}
int BASS_SetGlobalVolumes(std::int32_t music, std::int32_t sample, std::int32_t stream) {
    return static_cast<int>(record("BASS_SetGlobalVolumes", music, sample, stream));
}
int BASS_SetEAXParameters(std::int32_t environment, float volume, float decay, float damping) {
    return static_cast<int>(record("BASS_SetEAXParameters", environment, floatText(volume),
                                   floatText(decay), floatText(damping)));
}

int BASS_Set3DFactors(float distance, float rolloff, float doppler) {
    return static_cast<int>(
        record("BASS_Set3DFactors", floatText(distance), floatText(rolloff), floatText(doppler)));
}
int BASS_Set3DPosition(const BASS_3DVECTOR* position, const BASS_3DVECTOR* velocity,
                       const BASS_3DVECTOR* front, const BASS_3DVECTOR* top) {
    return static_cast<int>(record("BASS_Set3DPosition", vectorText(position), vectorText(velocity),
                                   vectorText(front), vectorText(top)));
}
void BASS_Apply3D() {
    record("BASS_Apply3D");
}

int BASS_CDInit(const char* drive) {
    return static_cast<int>(record("BASS_CDInit", drive == nullptr ? "null" : drive));
}
int BASS_CDFree() {
    return static_cast<int>(record("BASS_CDFree"));
}
std::uint32_t BASS_CDGetTracks() {
    return record("BASS_CDGetTracks");
}
std::uint32_t BASS_CDGetTrackLength(std::uint32_t track) {
    return record("BASS_CDGetTrackLength", track);
}
int BASS_CDPlay(std::uint32_t track, bool loop, bool wait) {
    return static_cast<int>(record("BASS_CDPlay", track, loop, wait));
}
