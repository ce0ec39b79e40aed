// Mixing cost: N looping voices of one sound, plain, in 3D, and in 3D with a
// reverberation environment, rendered through our engine's loopback output,
// beside raw OpenAL Soft playing the same sounds the same way through its own
// loopback device, and beside SDL2_mixer playing N channels in real time with
// its dummy driver.
//   mixing_bench [--seconds S] [--sdl-seconds S] [--max-voices N]
#include "bench/bench_support.h"

#include "engine/engine.h"
#include "engine/loopback.h"
#include "tests/support/sound_files.h"

// EFX and the loopback functions are called directly.
#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <AL/efx-presets.h>
#include <AL/efx.h>
#include <sndfile.h>

#ifdef HAVE_SDL2_MIXER
#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#endif

#include <atomic>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <numbers>
#include <optional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

enum class Mode { Plain, ThreeD, ThreeDReverb };

constexpr Mode MODES[] = {Mode::Plain, Mode::ThreeD, Mode::ThreeDReverb};
constexpr int VOICE_COUNTS[] = {64, 256, 1024, 4096};
constexpr int RATE = 44100;
constexpr int ROUNDS = 3;
// The engine renders its loopback output in slices of about 5 ms; raw
// OpenAL Soft gets the same slices so that only the engine's own work differs.
constexpr int SLICE_FRAMES = RATE / 200;
constexpr std::int32_t VOICE_VOLUME = 10;
constexpr float VOICE_GAIN = 0.1f; // VOICE_VOLUME on the engine's 0..100 scale
constexpr std::int32_t CONCERT_HALL = 7;
constexpr float REVERB_VOLUME = 0.5f;
constexpr double RATIO_GOAL = 1.05;
constexpr ALCint MONO_SOURCES = 4096;
constexpr ALCint STEREO_SOURCES = 512;
constexpr float SPEED_OF_SOUND = 343.3f;

const char* modeName(Mode mode) {
    switch (mode) {
    case Mode::Plain:
        return "plain";
    case Mode::ThreeD:
        return "3D";
    case Mode::ThreeDReverb:
        return "3D+reverb";
    }
    return "";
}

// Where voice i of n sits: pans spread from left to right, 3D positions on
// rings around the listener (x right, y up, z front).
std::int32_t voicePan(int i, int n) {
    return n > 1 ? -100 + 200 * i / (n - 1) : 0;
}

BASS_3DVECTOR voicePosition(int i, int n) {
    const double angle = 2.0 * std::numbers::pi * i / n;
    const double radius = 2.0 + i % 9;
    return {static_cast<float>(radius * std::cos(angle)), 0.0f,
            static_cast<float>(radius * std::sin(angle))};
}

struct Measured {
    bool ok = false;
    int playing = 0;
    double nsPerVoiceFrame = 0.0;
    double cpuPerAudioSecond = 0.0;
};

// Renders rounds of the given length and keeps the median round.
template <typename Render> Measured timeRounds(int playing, int frames, Render render) {
    std::vector<float> buffer(static_cast<std::size_t>(2 * SLICE_FRAMES));
    for (int done = 0; done < SLICE_FRAMES * 20; done += SLICE_FRAMES)
        render(buffer.data(), SLICE_FRAMES);
    std::vector<double> cpu;
    for (int round = 0; round < ROUNDS; ++round) {
        const double start = selfCpuSeconds();
        for (int done = 0; done < frames; done += SLICE_FRAMES)
            render(buffer.data(), SLICE_FRAMES);
        cpu.push_back(selfCpuSeconds() - start);
    }
    const double seconds = summarize(cpu).median;
    Measured measured;
    measured.ok = true;
    measured.playing = playing;
    const double renderedFrames =
        std::ceil(static_cast<double>(frames) / SLICE_FRAMES) * SLICE_FRAMES;
    if (playing > 0)
        measured.nsPerVoiceFrame = seconds * 1e9 / (renderedFrames * playing);
    measured.cpuPerAudioSecond = seconds / (renderedFrames / RATE);
    return measured;
}

Measured measureOurs(Mode mode, int voices, int frames, const fs::path& sound) {
    engineUseTestLoopback(true);
    const bool threeD = mode != Mode::Plain;
    if (BASS_Init(-1, RATE, threeD ? DEVICE_3D : 0, nullptr) == 0)
        return {};
    const EngineHandle sample =
        BASS_SampleLoad(false, sound.c_str(), 0, 0, 65535, threeD ? SAMPLE_3D : 0);
    if (sample == 0) {
        BASS_Free();
        return {};
    }
    if (threeD) {
        const BASS_3DVECTOR origin{0, 0, 0};
        const BASS_3DVECTOR front{0, 0, 1};
        const BASS_3DVECTOR top{0, 1, 0};
        BASS_Set3DPosition(&origin, nullptr, &front, &top);
        BASS_Apply3D();
    }
    if (mode == Mode::ThreeDReverb)
        BASS_SetEAXParameters(CONCERT_HALL, REVERB_VOLUME, -1.0f, -1.0f);
    int playing = 0;
    for (int i = 0; i < voices; ++i) {
        EngineHandle channel = 0;
        if (threeD) {
            const BASS_3DVECTOR position = voicePosition(i, voices);
            channel =
                BASS_SamplePlay3DEx(sample, &position, nullptr, nullptr, 0, -1, VOICE_VOLUME, true);
        } else {
            channel = BASS_SamplePlayEx(sample, 0, -1, VOICE_VOLUME, voicePan(i, voices), true);
        }
        if (channel != 0)
            ++playing;
    }
    const Measured measured =
        timeRounds(playing, frames, [](float* out, int count) { engineRender(out, count); });
    BASS_Free();
    return measured;
}

std::vector<std::int16_t> readPcm16(const fs::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return {};
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_short(file, pcm.data(), info.frames);
    sf_close(file);
    return pcm;
}

// The classic environment's EFX reverb, as the engine sets it up.
void loadReverb(ALuint effect, const EFXEAXREVERBPROPERTIES& p) {
    alEffecti(effect, AL_EFFECT_TYPE, AL_EFFECT_EAXREVERB);
    alEffectf(effect, AL_EAXREVERB_DENSITY, p.flDensity);
    alEffectf(effect, AL_EAXREVERB_DIFFUSION, p.flDiffusion);
    alEffectf(effect, AL_EAXREVERB_GAIN, p.flGain);
    alEffectf(effect, AL_EAXREVERB_GAINHF, p.flGainHF);
    alEffectf(effect, AL_EAXREVERB_GAINLF, p.flGainLF);
    alEffectf(effect, AL_EAXREVERB_DECAY_TIME, p.flDecayTime);
    alEffectf(effect, AL_EAXREVERB_DECAY_HFRATIO, p.flDecayHFRatio);
    alEffectf(effect, AL_EAXREVERB_DECAY_LFRATIO, p.flDecayLFRatio);
    alEffectf(effect, AL_EAXREVERB_REFLECTIONS_GAIN, p.flReflectionsGain);
    alEffectf(effect, AL_EAXREVERB_REFLECTIONS_DELAY, p.flReflectionsDelay);
    alEffectfv(effect, AL_EAXREVERB_REFLECTIONS_PAN, p.flReflectionsPan);
    alEffectf(effect, AL_EAXREVERB_LATE_REVERB_GAIN, p.flLateReverbGain);
    alEffectf(effect, AL_EAXREVERB_LATE_REVERB_DELAY, p.flLateReverbDelay);
    alEffectfv(effect, AL_EAXREVERB_LATE_REVERB_PAN, p.flLateReverbPan);
    alEffectf(effect, AL_EAXREVERB_ECHO_TIME, p.flEchoTime);
    alEffectf(effect, AL_EAXREVERB_ECHO_DEPTH, p.flEchoDepth);
    alEffectf(effect, AL_EAXREVERB_MODULATION_TIME, p.flModulationTime);
    alEffectf(effect, AL_EAXREVERB_MODULATION_DEPTH, p.flModulationDepth);
    alEffectf(effect, AL_EAXREVERB_AIR_ABSORPTION_GAINHF, p.flAirAbsorptionGainHF);
    alEffectf(effect, AL_EAXREVERB_HFREFERENCE, p.flHFReference);
    alEffectf(effect, AL_EAXREVERB_LFREFERENCE, p.flLFReference);
    alEffectf(effect, AL_EAXREVERB_ROOM_ROLLOFF_FACTOR, p.flRoomRolloffFactor);
    alEffecti(effect, AL_EAXREVERB_DECAY_HFLIMIT, p.iDecayHFLimit);
}

// Raw OpenAL Soft: the context, sources and reverb that the engine makes,
// without the engine. As the engine's, 3D voices feed the reverb slot only
// while an environment can be heard.
Measured measureRaw(Mode mode, int voices, int frames, const std::vector<std::int16_t>& pcm) {
    auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    auto renderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
        alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (open == nullptr || renderSamples == nullptr)
        return {};
    ALCdevice* device = open(nullptr);
    if (device == nullptr)
        return {};
    const bool threeD = mode != Mode::Plain;
    std::vector<ALCint> attrs{
        ALC_MONO_SOURCES,     MONO_SOURCES,  ALC_STEREO_SOURCES,       STEREO_SOURCES,
        ALC_FREQUENCY,        RATE,          ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT,
        ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT};
    if (threeD)
        attrs.insert(attrs.end(), {ALC_MAX_AUXILIARY_SENDS, 1});
    attrs.push_back(0);
    ALCcontext* context = alcCreateContext(device, attrs.data());
    if (context == nullptr || alcMakeContextCurrent(context) == ALC_FALSE) {
        alcCloseDevice(device);
        return {};
    }
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    alSpeedOfSound(SPEED_OF_SOUND);
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, AL_FORMAT_MONO16, pcm.data(),
                 static_cast<ALsizei>(pcm.size() * sizeof(std::int16_t)), RATE);
    ALuint slot = 0;
    ALuint effect = 0;
    if (threeD) {
        alGenAuxiliaryEffectSlots(1, &slot);
        alGenEffects(1, &effect);
        const bool reverb = mode == Mode::ThreeDReverb;
        const EFXEAXREVERBPROPERTIES properties =
            reverb ? EFXEAXREVERBPROPERTIES(EFX_REVERB_PRESET_CONCERTHALL)
                   : EFXEAXREVERBPROPERTIES(EFX_REVERB_PRESET_GENERIC);
        loadReverb(effect, properties);
        alAuxiliaryEffectSloti(slot, AL_EFFECTSLOT_EFFECT, static_cast<ALint>(effect));
        alAuxiliaryEffectSlotf(slot, AL_EFFECTSLOT_GAIN, reverb ? REVERB_VOLUME : 0.0f);
        const float orientation[6] = {0, 0, -1, 0, 1, 0};
        alListenerfv(AL_ORIENTATION, orientation);
    }
    std::vector<ALuint> sources;
    for (int i = 0; i < voices; ++i) {
        ALuint source = 0;
        alGetError();
        alGenSources(1, &source);
        if (alGetError() != AL_NO_ERROR)
            break;
        alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
        alSourcei(source, AL_LOOPING, AL_TRUE);
        alSourcef(source, AL_GAIN, VOICE_GAIN);
        if (threeD) {
            const BASS_3DVECTOR p = voicePosition(i, voices);
            alSourcei(source, AL_SOURCE_RELATIVE, AL_FALSE);
            alSource3f(source, AL_POSITION, p.x, p.y, -p.z);
            alSourcef(source, AL_REFERENCE_DISTANCE, 1.0f);
            alSourcef(source, AL_MAX_DISTANCE, 1.0e9f);
            alSourcef(source, AL_ROLLOFF_FACTOR, 1.0f);
            const ALuint send = mode == Mode::ThreeDReverb ? slot : AL_EFFECTSLOT_NULL;
            alSource3i(source, AL_AUXILIARY_SEND_FILTER, static_cast<ALint>(send), 0,
                       AL_FILTER_NULL);
        } else {
            const float x = static_cast<float>(voicePan(i, voices)) / 100.0f;
            alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
            alSource3f(source, AL_POSITION, x, 0.0f, -std::sqrt(1.0f - x * x));
            alSourcef(source, AL_REFERENCE_DISTANCE, 1.0f);
            alSourcef(source, AL_MAX_DISTANCE, std::numeric_limits<float>::max());
            alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
        }
        sources.push_back(source);
    }
    alSourcePlayv(static_cast<ALsizei>(sources.size()), sources.data());
    const Measured measured =
        timeRounds(static_cast<int>(sources.size()), frames,
                   [&](float* out, int count) { renderSamples(device, out, count); });
    alDeleteSources(static_cast<ALsizei>(sources.size()), sources.data());
    alDeleteBuffers(1, &buffer);
    if (threeD) {
        alAuxiliaryEffectSloti(slot, AL_EFFECTSLOT_EFFECT, AL_EFFECT_NULL);
        alDeleteAuxiliaryEffectSlots(1, &slot);
        alDeleteEffects(1, &effect);
    }
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
    return measured;
}

#ifdef HAVE_SDL2_MIXER
std::atomic<long long> mixedBytes{0};

void countMixed(void*, Uint8*, int length) {
    mixedBytes += length;
}

// Runs in a child process, so that its CPU time is the whole process's and
// nothing else of ours runs beside it. Writes "cpu-seconds audio-seconds".
void sdlChild(Mode mode, int voices, double seconds, const fs::path& sound, int out) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    double result[2] = {-1.0, 0.0};
    if (SDL_Init(SDL_INIT_AUDIO) == 0 && Mix_OpenAudio(RATE, AUDIO_F32SYS, 2, 1024) == 0) {
        Mix_AllocateChannels(voices);
        Mix_Chunk* chunk = Mix_LoadWAV(sound.c_str());
        if (chunk != nullptr) {
            Mix_SetPostMix(countMixed, nullptr);
            for (int i = 0; i < voices; ++i) {
                Mix_Volume(i, MIX_MAX_VOLUME / 10);
                if (mode == Mode::ThreeD) {
                    const BASS_3DVECTOR p = voicePosition(i, voices);
                    const double angle = std::atan2(p.x, p.z) * 180.0 / std::numbers::pi;
                    const double distance = std::hypot(p.x, p.z) * 20.0;
                    Mix_SetPosition(i, static_cast<Sint16>(std::lround(angle + 360.0) % 360),
                                    static_cast<Uint8>(std::min(255.0, distance)));
                } else {
                    const int right = 127 + voicePan(i, voices) * 127 / 100;
                    Mix_SetPanning(i, static_cast<Uint8>(254 - right), static_cast<Uint8>(right));
                }
                Mix_PlayChannel(i, chunk, -1);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const double cpuStart = selfCpuSeconds();
            const long long bytesStart = mixedBytes;
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
            const double cpu = selfCpuSeconds() - cpuStart;
            const long long bytes = mixedBytes - bytesStart;
            result[0] = cpu;
            result[1] = static_cast<double>(bytes) / (2.0 * sizeof(float) * RATE);
        }
    }
    if (write(out, result, sizeof result) != sizeof result)
        _exit(1);
    _exit(0);
}

std::optional<double> measureSdl(Mode mode, int voices, double seconds, const fs::path& sound) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        sdlChild(mode, voices, seconds, sound, pipeEnds[1]);
    }
    close(pipeEnds[1]);
    double result[2] = {-1.0, 0.0};
    const bool read = ::read(pipeEnds[0], result, sizeof result) == sizeof result;
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!read || result[0] < 0.0 || result[1] <= 0.0)
        return std::nullopt;
    return result[0] / result[1];
}
#endif

std::string orNa(const std::optional<double>& value, int decimals) {
    return value ? fixed(*value, decimals) : "n/a";
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = numberOption(argc, argv, "seconds", 0.5);
    const double sdlSeconds = numberOption(argc, argv, "sdl-seconds", 2.0);
    const int maxVoices = static_cast<int>(numberOption(argc, argv, "max-voices", 4096));
    const int frames = static_cast<int>(seconds * RATE);
    const fs::path root = makeScratchDir("bench-mixing");
    const fs::path sound = root / "tone.wav";
    ToneSpec tone;
    tone.seconds = 1.0;
    if (!writeTone(sound, tone)) {
        std::fprintf(stderr, "mixing_bench: cannot write the sound\n");
        return 1;
    }
    const std::vector<std::int16_t> pcm = readPcm16(sound);

    // SDL2_mixer first, in child processes forked before OpenAL starts any thread.
    std::map<std::pair<int, int>, std::optional<double>> sdl;
    for (Mode mode : MODES)
        for (int voices : VOICE_COUNTS) {
            if (voices > maxVoices)
                continue;
            std::optional<double> cost;
#ifdef HAVE_SDL2_MIXER
            if (mode != Mode::ThreeDReverb)
                cost = measureSdl(mode, voices, sdlSeconds, sound);
#endif
            sdl[{static_cast<int>(mode), voices}] = cost;
        }

    Table table{"Mixing N looping voices of a 1 s mono 44.1 kHz sound: ours and raw OpenAL Soft "
                "through loopback (" +
                    fixed(seconds, 2) + " s x " + std::to_string(ROUNDS) +
                    " rounds, median), SDL2_mixer in real time with its dummy driver (" +
                    fixed(sdlSeconds, 1) + " s)",
                {"mode", "voices", "ours playing", "ours ns/vf", "raw ns/vf", "ours/raw",
                 "ratio goal", "ours cpu/s", "sdl cpu/s", "vs sdl"},
                {}};
    bool ratioMet = true;
    bool sdlMet = true;
    for (Mode mode : MODES)
        for (int voices : VOICE_COUNTS) {
            if (voices > maxVoices)
                continue;
            const auto ours = measureOurs(mode, voices, frames, sound);
            // Raw OpenAL Soft plays as many voices as ours could start.
            const Measured raw = ours.ok ? measureRaw(mode, ours.playing, frames, pcm) : Measured{};
            std::optional<double> ratio;
            if (ours.ok && raw.ok && raw.nsPerVoiceFrame > 0.0)
                ratio = ours.nsPerVoiceFrame / raw.nsPerVoiceFrame;
            const auto sdlCost = sdl[{static_cast<int>(mode), voices}];
            const bool ratioOk = ratio && *ratio <= RATIO_GOAL;
            ratioMet = ratioMet && ratioOk;
            std::string versusSdl = "n/a";
            if (ours.ok && sdlCost) {
                const bool cheaper = ours.cpuPerAudioSecond < *sdlCost;
                sdlMet = sdlMet && cheaper;
                versusSdl = cheaper ? "cheaper" : "COSTLIER";
            }
            table.rows.push_back({modeName(mode), std::to_string(voices),
                                  ours.ok ? std::to_string(ours.playing) : "failed",
                                  ours.ok ? fixed(ours.nsPerVoiceFrame, 2) : "n/a",
                                  raw.ok ? fixed(raw.nsPerVoiceFrame, 2) : "n/a", orNa(ratio, 3),
                                  ratio ? (ratioOk ? "met" : "MISSED") : "n/a",
                                  ours.ok ? fixed(ours.cpuPerAudioSecond, 4) : "n/a",
                                  orNa(sdlCost, 4), versusSdl});
            std::fprintf(stderr, "mixing_bench: %s %d done\n", modeName(mode), voices);
        }
    std::error_code ignored;
    fs::remove_all(root, ignored);

    printTable(table);
    std::printf("ns/vf: nanoseconds of CPU per voice and output frame. cpu/s: CPU seconds per "
                "second of audio produced.\n");
    std::printf("goal ours/raw <= %.2f: %s; ours cheaper than SDL2_mixer: %s\n", RATIO_GOAL,
                ratioMet ? "met" : "MISSED", sdlMet ? "met" : "MISSED");
    const fs::path csv = writeCsv(table, "mixing.csv");
    if (!csv.empty())
        std::printf("written: %s\n", csv.c_str());
    return 0;
}
