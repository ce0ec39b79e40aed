// A long random but valid session of commands for the soak runs: generated
// sound files, then loads, plays, batches, 3D, streams, modules and frees
// over every sample and track slot. The same seed gives the same session,
// through the real binary and in-process alike.
#pragma once

#include "client/command_builder.h"
#include "tests/engine/music_test_module.h"
#include "tests/support/sound_files.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace soak {

inline constexpr int SAMPLE_SLOTS = 1024;
inline constexpr int TRACK_SLOTS = 512;
// Tracks held at once: each stream keeps a decoder and OpenAL buffers, and a
// client holds a handful, not hundreds.
inline constexpr int MOST_TRACKS_HELD = 12;
inline constexpr int SAMPLE_FILES = 8;
inline constexpr int STREAM_FILES = 3;
inline constexpr std::uint32_t KIND_STREAM = 1;
inline constexpr std::uint32_t KIND_MUSIC = 2;
inline constexpr std::uint32_t MEMORY_COPY = 0x1000;

inline std::string sampleFile(int k) {
    return "S" + std::to_string(k) + ".WAV";
}
inline std::string streamFile(int k) {
    return "TRACK" + std::to_string(k) + ".wav";
}
inline const char* const MODULE_FILE = "tune.mod";

// Short tones of every shape a sample takes (mono and stereo, 8 and 16
// bits, several rates), longer tones for streams, and a small module.
inline bool writeSessionFiles(const std::filesystem::path& dir) {
    for (int k = 0; k < SAMPLE_FILES; ++k) {
        ToneSpec tone;
        tone.frequencyHz = 220.0 + 110.0 * k;
        tone.seconds = 0.05 + 0.02 * k;
        tone.sampleRate = k % 3 == 0 ? 22050 : 44100;
        tone.channels = k % 2 + 1;
        tone.format = SF_FORMAT_WAV | (k % 4 == 3 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
        if (!writeTone(dir / sampleFile(k), tone))
            return false;
    }
    for (int k = 0; k < STREAM_FILES; ++k) {
        ToneSpec tone;
        tone.frequencyHz = 330.0 + 50.0 * k;
        tone.seconds = 1.0;
        tone.channels = 2;
        tone.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        if (!writeTone(dir / streamFile(k), tone))
            return false;
    }
    return musictest::writeModule(dir / MODULE_FILE);
}

// What the client believes each slot holds, so that every command it sends
// makes sense.
class Session {
  public:
    explicit Session(std::uint32_t seed) : random(seed) {}

    // The next command of the session.
    CommandBytes next() {
        const int pick = between(0, 99);
        if (pick < 12)
            return loadSample();
        if (pick < 26)
            return playSample();
        if (pick < 29)
            return setSampleDefaults();
        if (pick < 32)
            return slotOnly(between(0, 1) == 0 ? 11 : 15, sampleSlot(), true);
        if (pick < 36)
            return flatBatch();
        if (pick < 40)
            return threeDBatch();
        if (pick < 44)
            return sampleBatch();
        if (pick < 48)
            return playFlat();
        if (pick < 52)
            return playThreeD();
        if (pick < 56)
            return listenerAndFactors();
        if (pick < 64)
            return loadTrack();
        if (pick < 84)
            return trackCommand();
        return outputCommand();
    }

    // Frees every slot, sample and track, whatever the client thinks it holds.
    std::vector<CommandBytes> freeEverything() {
        std::vector<CommandBytes> out;
        for (int slot = 1; slot <= SAMPLE_SLOTS; ++slot)
            out.push_back(CommandBytes(15).put16(2, static_cast<std::uint32_t>(slot)));
        for (int slot = 1; slot <= TRACK_SLOTS; ++slot)
            out.push_back(CommandBytes(16).put16(2, static_cast<std::uint32_t>(slot)));
        samplesHeld.fill(false);
        tracksHeld.fill(false);
        heldTracks = 0;
        return out;
    }

  private:
    std::mt19937 random;
    std::array<bool, SAMPLE_SLOTS + 1> samplesHeld{};
    std::array<bool, TRACK_SLOTS + 1> tracksHeld{};
    int heldTracks = 0;

    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

    float within(float low, float high) {
        return std::uniform_real_distribution<float>(low, high)(random);
    }

    std::uint32_t word(int low, int high) { return static_cast<std::uint32_t>(between(low, high)); }

    std::uint32_t sampleSlot() { return word(1, SAMPLE_SLOTS); }

    // Mostly a loaded slot, as a client plays what it loaded; now and then
    // any slot, loaded or not.
    std::uint32_t playedSlot() {
        for (int tries = 0; tries < 8; ++tries) {
            const std::uint32_t slot = sampleSlot();
            if (samplesHeld[slot])
                return slot;
        }
        return sampleSlot();
    }

    std::uint32_t frequency() {
        const int pick = between(0, 3);
        return pick == 0 ? 0xFFFFFF : pick == 1 ? 0xFFFFFE : word(8000, 48000);
    }

    std::uint32_t volume() { return between(0, 4) == 0 ? 0xFFFF : word(0, 100); }

    CommandBytes slotOnly(std::uint16_t code, std::uint32_t slot, bool freesSample) {
        if (freesSample && code == 15)
            samplesHeld[slot] = false;
        return CommandBytes(code).put16(2, slot);
    }

    // Like a track, a sample loaded over a held slot stays with the engine
    // out of every slot's reach: a valid client frees the slot first.
    CommandBytes loadSample() {
        const std::uint32_t slot = sampleSlot();
        if (samplesHeld[slot])
            return slotOnly(15, slot, true);
        samplesHeld[slot] = true;
        static constexpr std::array<std::uint32_t, 5> flags{0, 0x4, 0x8, 0x2, 0x10000};
        return CommandBytes(3)
            .put16(2, slot)
            .putText(sampleFile(between(0, SAMPLE_FILES - 1)))
            .put32(68, flags[static_cast<std::size_t>(between(0, flags.size() - 1))]);
    }

    CommandBytes playSample() {
        return CommandBytes(4)
            .put16(2, playedSlot())
            .put32(4, frequency())
            .put16(8, volume())
            .put16(10, between(0, 4) == 0 ? 0xFFFF : word(0, 200))
            .put16(12, between(0, 9) == 0 ? 1 : 0);
    }

    CommandBytes setSampleDefaults() {
        return CommandBytes(5)
            .put16(2, playedSlot())
            .put32(4, between(0, 1) == 0 ? 0xFFFF : word(11025, 44100))
            .put16(8, volume())
            .put16(10, between(0, 1) == 0 ? 0xFFFF : word(0, 100))
            .put16(12, between(0, 3) == 0 ? 0 : 0xFFFF)
            .put16(14, 0xFFFF);
    }

    CommandBytes flatBatch() {
        CommandBytes batch(19);
        const std::uint32_t count = word(0, 63);
        batch.put16(2, word(0, 200)).put16(4, word(0, 200)).put16(6, word(0, 359)).put16(8, count);
        for (std::uint32_t k = 0; k < count; ++k) {
            const std::size_t entry = 12 + 16 * k;
            batch.put16(entry, playedSlot())
                .put32(entry + 2, frequency())
                .put16(entry + 6, volume())
                .put16(entry + 8, word(0, 400))
                .put16(entry + 10, word(0, 400));
        }
        return batch;
    }

    CommandBytes& putVector(CommandBytes& block, std::size_t at, float spread) {
        return block.putVector(at, within(-spread, spread), within(-spread, spread),
                               within(-spread, spread));
    }

    CommandBytes threeDBatch() {
        CommandBytes batch(20);
        putVector(batch, 2, 10.0f);
        batch.putVector(14, 0.0f, 0.0f, 0.0f).putVector(26, 0.0f, 0.0f, 1.0f);
        batch.putVector(38, 0.0f, 1.0f, 0.0f);
        const std::uint32_t count = word(0, 20);
        batch.put16(50, count);
        for (std::uint32_t k = 0; k < count; ++k) {
            const std::size_t entry = 52 + 48 * k;
            batch.put16(entry + 2, playedSlot())
                .put32(entry + 4, frequency())
                .put16(entry + 8, volume())
                .put16(entry + 10, 0);
            putVector(batch, entry + 12, 20.0f);
            batch.putVector(entry + 24, 0.0f, 0.0f, 0.0f);
            batch.putVector(entry + 36, ABSENT, 0.0f, 0.0f);
        }
        return batch;
    }

    CommandBytes sampleBatch() {
        CommandBytes batch(28);
        const std::uint32_t count = word(0, 72);
        batch.put16(2, count);
        for (std::uint32_t k = 0; k < count; ++k) {
            const std::size_t entry = 4 + 14 * k;
            batch.put16(entry + 2, playedSlot())
                .put32(entry + 4, frequency())
                .put16(entry + 8, volume())
                .put16(entry + 10, word(0, 200))
                .put16(entry + 12, 0);
        }
        return batch;
    }

    CommandBytes playFlat() {
        return CommandBytes(29)
            .put16(2, playedSlot())
            .put32(4, frequency())
            .put16(8, volume())
            .put16(10, word(0, 400))
            .put16(12, word(0, 400))
            .put16(14, 0);
    }

    CommandBytes playThreeD() {
        CommandBytes block(25);
        block.put16(2, playedSlot()).put32(4, frequency()).put16(8, volume()).put16(10, 0);
        putVector(block, 12, 20.0f);
        block.putVector(24, ABSENT, 0.0f, 0.0f).putVector(36, ABSENT, 0.0f, 0.0f);
        return block;
    }

    CommandBytes listenerAndFactors() {
        switch (between(0, 3)) {
        case 0: {
            CommandBytes block(24);
            putVector(block, 2, 10.0f);
            block.putVector(14, ABSENT, 0.0f, 0.0f).putVector(26, 0.0f, 0.0f, 1.0f);
            return block.putVector(38, 0.0f, 1.0f, 0.0f);
        }
        case 1:
            return CommandBytes(26)
                .putFloat(2, within(0.5f, 2.0f))
                .putFloat(6, within(0.0f, 2.0f))
                .putFloat(10, within(0.0f, 1.0f));
        case 2:
            return CommandBytes(30)
                .put16(2, word(0, 200))
                .put16(4, word(0, 200))
                .put16(6, word(0, 359));
        default:
            return CommandBytes(31).putFloat(2, within(0.1f, 4.0f));
        }
    }

    // Loads into a free slot only: a load over a held track keeps the old
    // stream alive out of every slot's reach, which a valid client avoids.
    CommandBytes loadTrack() {
        std::uint32_t slot = word(1, TRACK_SLOTS);
        if (tracksHeld[slot] || heldTracks >= MOST_TRACKS_HELD)
            return freeTrack(tracksHeld[slot] ? slot : anyHeldTrack());
        tracksHeld[slot] = true;
        ++heldTracks;
        CommandBytes block(7);
        block.put16(2, slot);
        if (between(0, 3) == 0)
            return block.putText(MODULE_FILE).put32(68, between(0, 1) * 4).put16(72, KIND_MUSIC);
        const std::uint32_t flags =
            (between(0, 1) == 0 ? 0 : 0x4) | (between(0, 2) == 0 ? MEMORY_COPY : 0);
        return block.putText(streamFile(between(0, STREAM_FILES - 1)))
            .put32(68, flags)
            .put16(72, KIND_STREAM);
    }

    std::uint32_t anyHeldTrack() {
        for (;;) {
            const std::uint32_t slot = word(1, TRACK_SLOTS);
            if (tracksHeld[slot])
                return slot;
        }
    }

    CommandBytes freeTrack(std::uint32_t slot) {
        tracksHeld[slot] = false;
        --heldTracks;
        return CommandBytes(16).put16(2, slot);
    }

    CommandBytes trackCommand() {
        const std::uint32_t slot =
            heldTracks > 0 && between(0, 4) != 0 ? anyHeldTrack() : word(1, TRACK_SLOTS);
        switch (between(0, 9)) {
        case 0:
        case 1:
            return CommandBytes(8).put16(2, slot);
        case 2:
            return CommandBytes(9).put16(2, slot).put16(4, word(0, 128)).put16(6, volume());
        case 3:
            return CommandBytes(12).put16(2, slot);
        case 4:
            return CommandBytes(13).put16(2, slot);
        case 5:
            return CommandBytes(14).put16(2, slot);
        case 6:
            return CommandBytes(21).put16(2, slot);
        case 7:
            return CommandBytes(22).put16(2, slot).put32(4, word(0, 100000));
        case 8:
            return CommandBytes(23).put16(2, slot);
        default:
            return tracksHeld[slot] ? freeTrack(slot) : CommandBytes(16).put16(2, slot);
        }
    }

    CommandBytes outputCommand() {
        switch (between(0, 2)) {
        case 0:
            return CommandBytes(17).put16(2, between(0, 5) == 0 ? 0xFFFF : word(40, 100));
        case 1:
            return CommandBytes(18).put16(2, word(40, 100)).put16(4, word(40, 100));
        default:
            return CommandBytes(27)
                .put16(2, between(0, 4) == 0 ? 0xFFFF : word(0, 27))
                .putFloat(4, within(0.0f, 1.0f))
                .putFloat(8, within(0.1f, 20.0f))
                .putFloat(12, within(0.0f, 2.0f));
        }
    }

    static constexpr float ABSENT = 16777215.0f;
};

} // namespace soak
