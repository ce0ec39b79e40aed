#include "engine/engine.h"
#include "engine/loopback.h"
#include "tests/engine/cd_test_discs.h"
#include "tests/engine/music_test_module.h"
#include "tests/support/analysis.h"
#include "tests/support/engine_render.h"
#include "tests/support/sound_files.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

namespace fs = std::filesystem;

enum class Family { Sample, Stream, Music, Cd };
constexpr std::array<Family, 4> families{Family::Sample, Family::Stream, Family::Music, Family::Cd};

const char* familyName(Family family) {
    switch (family) {
    case Family::Sample:
        return "sample";
    case Family::Stream:
        return "stream";
    case Family::Music:
        return "music";
    case Family::Cd:
        return "CD";
    }
    return "?";
}

// One sound of each family, each played alone, so that the level heard is
// that family's alone.
class VolumeClasses : public ::testing::Test {
  protected:
    fs::path previous;
    fs::path dir;
    EngineHandle sample = 0;
    EngineHandle stream = 0;
    EngineHandle music = 0;

    void SetUp() override {
        previous = fs::current_path();
        dir = makeScratchDir("volumes");
        fs::current_path(dir);
        ASSERT_TRUE(cdtest::writeFolderDisc(dir));
        ToneSpec tone;
        tone.seconds = 0.5;
        ASSERT_TRUE(writeTone(dir / "tone.wav", tone));
        ASSERT_TRUE(musictest::writeModule(dir / "tune.mod"));
        engineUseTestLoopback(true);
        ASSERT_NE(BASS_Init(-1, 44100, 0, nullptr), 0);
        sample = BASS_SampleLoad(false, "tone.wav", 0, 0, 10, 0);
        ASSERT_NE(sample, 0u);
        stream = BASS_StreamCreateFile(false, "tone.wav", 0, 0, 0);
        ASSERT_NE(stream, 0u);
        music = BASS_MusicLoad(false, "tune.mod", 0, 0, MUSIC_LOOP);
        ASSERT_NE(music, 0u);
        ASSERT_EQ(BASS_CDInit(nullptr), 1);
    }

    void TearDown() override {
        BASS_CDFree();
        BASS_Free();
        fs::current_path(previous);
        fs::remove_all(dir);
    }

    double renderLevel() {
        const StereoBuffer out = renderOutput(0.2);
        return rms(out.channel(0, out.frames() / 2));
    }

    // Starts the family's sound, looping, and returns what stops it.
    EngineHandle start(Family family) {
        switch (family) {
        case Family::Sample:
            return BASS_SamplePlayEx(sample, 0, -1, 100, 0, true);
        case Family::Stream:
            EXPECT_EQ(BASS_StreamPlay(stream, true, STREAM_LOOP), 1);
            return stream;
        case Family::Music:
            EXPECT_EQ(BASS_MusicPlayEx(music, 0, -1, true), 1);
            return music;
        case Family::Cd:
            EXPECT_EQ(BASS_CDPlay(1, true, false), 1);
            return 0;
        }
        return 0;
    }

    // The family's level after the change relative to before it: the change
    // is made while it plays, and a fresh play must hear it too.
    void expectRatio(Family family, void (*change)(), double ratio, const std::string& what) {
        BASS_SetVolume(100);
        BASS_SetGlobalVolumes(100, 100, 100);
        const EngineHandle playing = start(family);
        const double before = renderLevel();
        ASSERT_GT(before, 0.02) << familyName(family) << " must be heard";
        change();
        EXPECT_NEAR(renderLevel() / before, ratio, 0.03) << what << ", " << familyName(family);
        BASS_ChannelStop(playing);
        renderLevel();
        const EngineHandle again = start(family);
        EXPECT_NEAR(renderLevel() / before, ratio, 0.03)
            << what << ", " << familyName(family) << " played afresh";
        BASS_ChannelStop(again);
        renderLevel();
    }
};

TEST_F(VolumeClasses, MasterVolumeActsOnEverything) {
    for (const Family family : families) {
        expectRatio(
            family, [] { BASS_SetVolume(50); }, 0.5, "master 50");
        expectRatio(
            family, [] { BASS_SetVolume(0); }, 0.0, "master 0");
        expectRatio(
            family, [] { BASS_SetVolume(-1); }, 1.0, "master -1 leaves it");
        expectRatio(
            family, [] { BASS_SetVolume(250); }, 1.0, "master above 100 is clamped");
    }
}

TEST_F(VolumeClasses, ClassVolumesActOnlyOnTheirClass) {
    struct Case {
        const char* what;
        void (*change)();
        std::array<double, 4> ratios; // sample, stream, music, CD
    };
    const std::array<Case, 4> cases{{
        {"sample class 50", [] { BASS_SetGlobalVolumes(-1, 50, -1); }, {0.5, 1.0, 1.0, 1.0}},
        {"stream class 50", [] { BASS_SetGlobalVolumes(-1, -1, 50); }, {1.0, 0.5, 1.0, 0.5}},
        {"music class 50", [] { BASS_SetGlobalVolumes(50, -1, -1); }, {1.0, 1.0, 0.5, 1.0}},
        {"all left", [] { BASS_SetGlobalVolumes(-1, -1, -1); }, {1.0, 1.0, 1.0, 1.0}},
    }};
    for (const Case& c : cases)
        for (std::size_t f = 0; f < families.size(); ++f)
            expectRatio(families[f], c.change, c.ratios[f], c.what);
}

TEST_F(VolumeClasses, ChannelVolumeMultipliesWithMasterAndClass) {
    expectRatio(
        Family::Cd,
        [] {
            BASS_SetVolume(50);
            BASS_SetGlobalVolumes(-1, -1, 50);
            BASS_ChannelSetAttributes(0, -1, 50, -1);
        },
        0.125, "master, stream class and CD volume 50");
    BASS_ChannelSetAttributes(0, -1, 100, -1);
}

} // namespace
