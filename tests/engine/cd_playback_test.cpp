#include "engine/engine.h"
#include "engine/loopback.h"
#include "tests/engine/cd_test_discs.h"
#include "tests/support/analysis.h"
#include "tests/support/engine_render.h"
#include "tests/support/sound_files.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

namespace fs = std::filesystem;
using cdtest::discPlan;

constexpr EngineHandle CD_CHANNEL = 0;

struct DiscKind {
    std::string name;
    std::function<bool(const fs::path&)> write;
};

const std::vector<DiscKind> discKinds{
    {"folder", cdtest::writeFolderDisc},
    {"image", [](const fs::path& dir) { return cdtest::writeImageDisc(dir, false); }},
    {"motorola image", [](const fs::path& dir) { return cdtest::writeImageDisc(dir, true); }},
    {"per-track files", cdtest::writeFileDisc},
};

// Runs the engine through the loopback device in a scratch directory that
// becomes the current one, where the CD source is looked for.
class CdPlayback : public EngineInScratchDir {
  protected:
    void SetUp() override {
        EngineInScratchDir::SetUp();
        openEngine(44100);
    }

    void TearDown() override {
        BASS_CDFree();
        EngineInScratchDir::TearDown();
    }

    // The level of what the next stretch sounds like.
    double level(double seconds = 0.1) { return rms(render(seconds).channel(0)); }
};

// A 0.5-amplitude sine, as a stereo source heard at full volume.
constexpr double FULL_LEVEL = 0.5 / 1.4142;

TEST_F(CdPlayback, EverySourceOffersTheSameDisc) {
    for (const DiscKind& kind : discKinds) {
        SCOPED_TRACE(kind.name);
        for (const auto& entry : fs::directory_iterator(dir))
            fs::remove_all(entry.path());
        ASSERT_TRUE(kind.write(dir));
        ASSERT_EQ(BASS_CDInit(nullptr), 1);
        ASSERT_EQ(BASS_CDGetTracks(), discPlan.size());
        for (std::size_t t = 0; t < discPlan.size(); ++t)
            EXPECT_EQ(BASS_CDGetTrackLength(static_cast<std::uint32_t>(t + 1)),
                      discPlan[t].lengthMs)
                << "track " << t + 1;
        EXPECT_EQ(BASS_CDGetTrackLength(0), ENGINE_ERROR);
        EXPECT_EQ(BASS_CDGetTrackLength(4), ENGINE_ERROR);

        EXPECT_EQ(BASS_CDPlay(2, false, false), 0) << "a data track does not play";
        EXPECT_LT(level(), 1e-4);

        for (const std::uint32_t track : {1u, 3u}) {
            ASSERT_EQ(BASS_CDPlay(track, false, false), 1) << "track " << track;
            const StereoBuffer heard = render(0.25);
            const auto left = heard.channel(0, heard.frames() / 2);
            EXPECT_NEAR(zeroCrossingFrequency(left, heard.rate), discPlan[track - 1].toneHz, 5.0)
                << "track " << track;
            EXPECT_NEAR(rms(left), FULL_LEVEL, 0.03) << "track " << track;
            EXPECT_NEAR(rms(heard.channel(1, heard.frames() / 2)), FULL_LEVEL, 0.03)
                << "track " << track;
        }
        EXPECT_EQ(BASS_CDPlay(2, false, false), 0);
        EXPECT_GT(level(), 0.1) << "a refused data track leaves the playing track alone";
        ASSERT_EQ(BASS_CDFree(), 1);
        EXPECT_LT(level(), 1e-4) << "closing the CD silences it";
        EXPECT_EQ(BASS_CDGetTracks(), ENGINE_ERROR);
    }
}

TEST_F(CdPlayback, TransportPositionAndVolume) {
    ASSERT_TRUE(cdtest::writeImageDisc(dir, false));
    ASSERT_EQ(BASS_CDInit(nullptr), 1);
    EXPECT_EQ(BASS_ChannelGetPosition(CD_CHANNEL), ENGINE_ERROR) << "nothing played yet";
    EXPECT_EQ(BASS_ChannelPause(CD_CHANNEL), 0);

    ASSERT_EQ(BASS_CDPlay(1, false, false), 1);
    render(0.3);
    const std::uint32_t early = BASS_ChannelGetPosition(CD_CHANNEL);
    EXPECT_GT(early, 150u);
    EXPECT_LE(early, 300u);
    render(0.3);
    const std::uint32_t later = BASS_ChannelGetPosition(CD_CHANNEL);
    EXPECT_GT(later, early + 200);

    // Seek within the track, and refuse one past its end.
    ASSERT_EQ(BASS_ChannelSetPosition(CD_CHANNEL, 1500), 1);
    render(0.1);
    const std::uint32_t afterSeek = BASS_ChannelGetPosition(CD_CHANNEL);
    EXPECT_GE(afterSeek, 1500u);
    EXPECT_LT(afterSeek, 1700u);
    EXPECT_EQ(BASS_ChannelSetPosition(CD_CHANNEL, 2001), 0);

    // Pause holds the sound and the position; resume goes on from there.
    ASSERT_EQ(BASS_ChannelSetPosition(CD_CHANNEL, 500), 1);
    render(0.1);
    ASSERT_EQ(BASS_ChannelPause(CD_CHANNEL), 1);
    const std::uint32_t paused = BASS_ChannelGetPosition(CD_CHANNEL);
    EXPECT_LT(level(0.2), 1e-4);
    EXPECT_EQ(BASS_ChannelGetPosition(CD_CHANNEL), paused);
    EXPECT_EQ(BASS_ChannelPause(CD_CHANNEL), 0) << "already paused";
    ASSERT_EQ(BASS_ChannelResume(CD_CHANNEL), 1);
    EXPECT_NEAR(level(), FULL_LEVEL, 0.03);
    EXPECT_GT(BASS_ChannelGetPosition(CD_CHANNEL), paused);

    // Volume 50 halves the amplitude; -1 leaves it.
    ASSERT_EQ(BASS_ChannelSetAttributes(CD_CHANNEL, -1, 50, -1), 1);
    render(0.1);
    EXPECT_NEAR(level() / FULL_LEVEL, 0.5, 0.03);
    ASSERT_EQ(BASS_ChannelSetAttributes(CD_CHANNEL, -1, -1, -1), 1);
    render(0.1);
    EXPECT_NEAR(level() / FULL_LEVEL, 0.5, 0.03);
    ASSERT_EQ(BASS_ChannelSetAttributes(CD_CHANNEL, -1, 100, -1), 1);

    // Stop silences the CD and keeps its position.
    ASSERT_EQ(BASS_ChannelStop(CD_CHANNEL), 1);
    const std::uint32_t stopped = BASS_ChannelGetPosition(CD_CHANNEL);
    EXPECT_LT(level(0.2), 1e-4);
    EXPECT_EQ(BASS_ChannelGetPosition(CD_CHANNEL), stopped);
    EXPECT_GT(stopped, 500u);
    EXPECT_EQ(BASS_ChannelResume(CD_CHANNEL), 0) << "a stopped CD is not resumed";
}

TEST_F(CdPlayback, ATrackPlaysOnceOrLoops) {
    ASSERT_TRUE(cdtest::writeImageDisc(dir, false));
    ASSERT_EQ(BASS_CDInit(nullptr), 1);
    ASSERT_EQ(BASS_CDPlay(3, false, false), 1);
    ASSERT_EQ(BASS_ChannelSetPosition(CD_CHANNEL, 1300), 1);
    render(0.4);
    EXPECT_LT(level(0.2), 1e-4) << "played once, the track ends";

    ASSERT_EQ(BASS_CDPlay(3, true, false), 1);
    ASSERT_EQ(BASS_ChannelSetPosition(CD_CHANNEL, 1300), 1);
    render(0.4);
    EXPECT_NEAR(level(0.2), FULL_LEVEL, 0.03) << "looped, it goes on from its start";
    EXPECT_LT(BASS_ChannelGetPosition(CD_CHANNEL), 1000u);
}

TEST_F(CdPlayback, AGapInTheFolderIsADataTrack) {
    fs::create_directory(dir / "cdaudio");
    ASSERT_TRUE(cdtest::writeSoundFile(dir / "cdaudio" / "track04.wav",
                                       cdtest::toneFrames(440.0, 75),
                                       SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    ASSERT_TRUE(cdtest::writeText(dir / "cdaudio" / "notes.txt", "not a track"));
    ASSERT_EQ(BASS_CDInit(nullptr), 1);
    EXPECT_EQ(BASS_CDGetTracks(), 4u);
    EXPECT_EQ(BASS_CDGetTrackLength(2), 0u);
    EXPECT_EQ(BASS_CDGetTrackLength(4), 1000u);
    EXPECT_EQ(BASS_CDPlay(1, false, false), 0);
    EXPECT_EQ(BASS_CDPlay(4, false, false), 1);
}

// An enhanced CD's image: a data track in 2048-byte sectors before the audio,
// so the audio's bytes start after 100 x 2048, not 100 x 2352.
TEST_F(CdPlayback, MixedSectorSizesInOneImage) {
    std::vector<char> bytes(100 * 2048, 0x55);
    cdtest::appendRaw(bytes, cdtest::toneFrames(660.0, 75), false);
    std::ofstream(dir / "mixed.bin", std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(cdtest::writeText(dir / "CdAudio.Cue",
                                  "FILE mixed.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n"
                                  "TRACK 02 AUDIO\nINDEX 01 00:01:25\n"));
    ASSERT_EQ(BASS_CDInit(nullptr), 1);
    EXPECT_EQ(BASS_CDGetTrackLength(1), 1333u);
    EXPECT_EQ(BASS_CDGetTrackLength(2), 1000u);
    ASSERT_EQ(BASS_CDPlay(2, false, false), 1);
    const StereoBuffer heard = render(0.2);
    const auto left = heard.channel(0, heard.frames() / 2);
    EXPECT_NEAR(zeroCrossingFrequency(left, heard.rate), 660.0, 5.0);
    EXPECT_NEAR(rms(left), FULL_LEVEL, 0.03);
}

TEST_F(CdPlayback, MalformedOrMissingSourcesGiveNoCd) {
    struct Case {
        std::string name;
        std::string sheet;
    };
    const std::vector<Case> cases{
        {"track before file", "TRACK 01 AUDIO\nINDEX 01 00:00:00\n"},
        {"no index 01", "FILE \"image.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 00 00:00:00\n"},
        {"bad time", "FILE \"image.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:61:00\n"},
        {"open quote", "FILE \"image.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"},
        {"missing file", "FILE \"nowhere.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"},
        {"track past the image", "FILE \"image.bin\" BINARY\nTRACK 01 AUDIO\n"
                                 "INDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 70:00:00\n"},
        {"binary noise", std::string("\x00\xFF\x01garbage", 10)},
    };
    std::ofstream(dir / "image.bin", std::ios::binary) << std::string(2352 * 10, '\0');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(cdtest::writeText(dir / "cdaudio.cue", c.sheet));
        EXPECT_EQ(BASS_CDInit(nullptr), 0);
        EXPECT_EQ(BASS_CDGetTracks(), ENGINE_ERROR);
        EXPECT_EQ(BASS_CDGetTrackLength(1), ENGINE_ERROR);
        EXPECT_EQ(BASS_CDPlay(1, false, false), 0);
        EXPECT_EQ(BASS_ChannelSetAttributes(CD_CHANNEL, -1, 50, -1), 0);
        EXPECT_EQ(BASS_ChannelGetPosition(CD_CHANNEL), ENGINE_ERROR);
        EXPECT_EQ(BASS_CDFree(), 0);
    }
}

// A drive that is not there, or a path that is no drive, goes through
// libcdio and its log: the call fails and the process goes on.
TEST_F(CdPlayback, AMissingDriveIsRefusedAndTheProcessGoesOn) {
    EXPECT_EQ(BASS_CDInit("/nonexistent/cdrom"), 0);
    EXPECT_EQ(BASS_CDInit(dir.c_str()), 0);
    EXPECT_EQ(BASS_CDGetTracks(), ENGINE_ERROR);
}

TEST_F(CdPlayback, ClosedEngineMeansNoCd) {
    ASSERT_TRUE(cdtest::writeFolderDisc(dir));
    ASSERT_EQ(BASS_CDInit(nullptr), 1);
    ASSERT_EQ(BASS_CDPlay(1, true, false), 1);
    render(0.1);
    ASSERT_EQ(BASS_Free(), 1);
    EXPECT_EQ(BASS_CDGetTracks(), ENGINE_ERROR);
    EXPECT_EQ(BASS_CDInit(nullptr), 0);
    engineUseTestLoopback(true);
    ASSERT_NE(BASS_Init(-1, 44100, 0, nullptr), 0);
    EXPECT_EQ(BASS_CDGetTracks(), ENGINE_ERROR) << "a new engine starts without a CD";
}

} // namespace
