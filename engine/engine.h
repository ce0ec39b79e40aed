// The audio engine as the server sees it: every call the server makes, by the
// engine's own names, and the two records they share.
//
// Conventions of every call:
// - a load or play returns a handle, 0 on failure;
// - a query that fails returns 0xFFFFFFFF;
// - a call that reports success returns nonzero on success, 0 on failure;
// - an argument of -1 (pan: -101) leaves that setting as it is.
// Handles are never 0 for a sample, channel, stream or music, and are not
// given out again within one run. Channel handle 0 is the CD channel.
//
// Units: volume 0..100 linear, pan -100..100, frequency 100..100000 Hz (0 =
// the sound's own rate); stream length and position in bytes of 16-bit PCM
// in the file's channel count; music length in orders, music position as
// order | row << 16; CD lengths and positions in milliseconds.
#pragma once

#include <cstdint>

using EngineHandle = std::uint32_t;

inline constexpr std::uint32_t ENGINE_ERROR = 0xFFFFFFFF;

// Sample flags the engine honours; others are kept and ignored.
inline constexpr std::uint32_t SAMPLE_8BITS = 0x1;
inline constexpr std::uint32_t SAMPLE_MONO = 0x2;
inline constexpr std::uint32_t SAMPLE_LOOP = 0x4;
inline constexpr std::uint32_t SAMPLE_3D = 0x8;
inline constexpr std::uint32_t SAMPLE_OVER_VOL = 0x10000;  // steal the quietest
inline constexpr std::uint32_t SAMPLE_OVER_POS = 0x20000;  // steal the longest playing
inline constexpr std::uint32_t SAMPLE_OVER_DIST = 0x30000; // steal the furthest
inline constexpr std::uint32_t SAMPLE_OVER_MASK = 0x30000;

// BASS_Init flags.
inline constexpr std::uint32_t DEVICE_8BITS = 0x1;
inline constexpr std::uint32_t DEVICE_MONO = 0x2;
inline constexpr std::uint32_t DEVICE_3D = 0x4;

// Stream and music flags.
inline constexpr std::uint32_t STREAM_LOOP = 0x4;
inline constexpr std::uint32_t MUSIC_LOOP = 0x4;

// A sample's defaults: 14 fields of 32 bits. The first four are the ones a
// client changes; the rest describe the loaded sound.
struct BASS_SAMPLE {
    std::uint32_t freq;   // default playback rate, Hz
    std::uint32_t volume; // default volume, 0..100
    std::int32_t pan;     // default pan, -100..100
    std::uint32_t flags;  // SAMPLE_* flags
    std::uint32_t length; // decoded length in bytes
    std::uint32_t max;    // most channels playing at once
    std::uint32_t chans;  // channels of the decoded sound, 1 or 2
    std::uint32_t bits;   // bits per sample of the decoded sound, 8 or 16
    float minDistance;    // 3D: distance below which the sound is at full volume
    float maxDistance;    // 3D: distance beyond which it gets no quieter
    std::uint32_t reserved[4];
};
static_assert(sizeof(BASS_SAMPLE) == 14 * 4);

// x right, y up, z front.
struct BASS_3DVECTOR {
    float x;
    float y;
    float z;
};
static_assert(sizeof(BASS_3DVECTOR) == 12);

// Engine
int BASS_Init(int device, std::uint32_t frequency, std::uint32_t flags, void* window);
int BASS_Start();
int BASS_Stop();
int BASS_Free();

// Samples
EngineHandle BASS_SampleLoad(bool fromMemory, const void* file, std::uint32_t offset,
                             std::uint32_t length, std::uint32_t max, std::uint32_t flags);
int BASS_SampleGetInfo(EngineHandle sample, BASS_SAMPLE* info);
int BASS_SampleSetInfo(EngineHandle sample, const BASS_SAMPLE* info);
EngineHandle BASS_SamplePlayEx(EngineHandle sample, std::uint32_t start, std::int32_t frequency,
                               std::int32_t volume, std::int32_t pan, bool loop);
EngineHandle BASS_SamplePlay3DEx(EngineHandle sample, const BASS_3DVECTOR* position,
                                 const BASS_3DVECTOR* orientation, const BASS_3DVECTOR* velocity,
                                 std::uint32_t start, std::int32_t frequency, std::int32_t volume,
                                 bool loop);
int BASS_SampleStop(EngineHandle sample);
int BASS_SampleFree(EngineHandle sample);

// Channels: sample channels, streams, musics, and handle 0 for the CD.
int BASS_ChannelSetAttributes(EngineHandle channel, std::int32_t frequency, std::int32_t volume,
                              std::int32_t pan);
int BASS_ChannelPause(EngineHandle channel);
int BASS_ChannelResume(EngineHandle channel);
int BASS_ChannelStop(EngineHandle channel);
int BASS_ChannelSetPosition(EngineHandle channel, std::uint32_t position);
std::uint32_t BASS_ChannelGetPosition(EngineHandle channel);

// Streams
EngineHandle BASS_StreamCreateFile(bool fromMemory, const void* file, std::uint32_t offset,
                                   std::uint32_t length, std::uint32_t flags);
std::uint32_t BASS_StreamGetLength(EngineHandle stream);
int BASS_StreamPlay(EngineHandle stream, bool flush, std::uint32_t flags);
int BASS_StreamFree(EngineHandle stream);

// Music
EngineHandle BASS_MusicLoad(bool fromMemory, const void* file, std::uint32_t offset,
                            std::uint32_t length, std::uint32_t flags);
std::uint32_t BASS_MusicGetLength(EngineHandle music, bool playLength);
int BASS_MusicPlayEx(EngineHandle music, std::uint32_t position, std::int32_t flags, bool reset);
int BASS_MusicSetPanSep(EngineHandle music, std::uint32_t separation);
int BASS_MusicFree(EngineHandle music);

// Output
int BASS_SetVolume(std::int32_t volume);
int BASS_SetGlobalVolumes(std::int32_t music, std::int32_t sample, std::int32_t stream);
int BASS_SetEAXParameters(std::int32_t environment, float volume, float decay, float damping);

// 3D
int BASS_Set3DFactors(float distance, float rolloff, float doppler);
int BASS_Set3DPosition(const BASS_3DVECTOR* position, const BASS_3DVECTOR* velocity,
                       const BASS_3DVECTOR* front, const BASS_3DVECTOR* top);
void BASS_Apply3D();

// CD
int BASS_CDInit(const char* drive);
int BASS_CDFree();
std::uint32_t BASS_CDGetTracks();
std::uint32_t BASS_CDGetTrackLength(std::uint32_t track);
int BASS_CDPlay(std::uint32_t track, bool loop, bool wait);
