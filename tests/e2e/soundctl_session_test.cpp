// soundctl against the real server: scripts that start it, drive a session
// from generated sound files, check replies, and see the server end.
#include "tests/e2e/soundctl_process.h"

#include "tests/engine/music_test_module.h"
#include "tests/support/sound_files.h"

#include <gtest/gtest.h>

#include <sndfile.h>

namespace {

using namespace soundctl_test;

class SoundctlSession : public ::testing::Test {
  protected:
    fs::path root;
    fs::path dir;

    void SetUp() override {
        root = makeScratchDir("soundctl-session");
        dir = root / "work";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    std::vector<std::string> serverOptions() const {
        return {"--binary", SOUNDSERVER_BINARY,
                "--env",    "ALSOFT_DRIVERS=null",
                "--env",    std::string("ALSOFT_CONF=") + TEST_ALSOFT_CONF};
    }

    Finished runScriptWithServer(const std::string& text) {
        const fs::path script = root / "session.soundctl";
        writeText(script, text);
        std::vector<std::string> args{"--dir", dir.string(), "run", "--start"};
        for (const std::string& option : serverOptions())
            args.push_back(option);
        args.push_back(script.string());
        return runSoundctl(args, root);
    }
};

TEST_F(SoundctlSession, AScriptOpensDrivesAndQuitsTheServer) {
    const Finished finished = runScriptWithServer("opening --frequency 44100 --flags 3d\n"
                                                  "set-master-volume --volume 80\n"
                                                  "set-music-and-sample-volumes --music-volume 60\n"
                                                  "set-eax-environment --environment hangar\n"
                                                  "set-3d-factors --distance 1 --rolloff 0.5\n"
                                                  "set-3d-listener --position 0,0,0 --front 0,0,1\n"
                                                  "set-flat-listener --x 10 --facing 90\n"
                                                  "set-distance-scale --scale 2\n"
                                                  "raw 0=37\n"
                                                  "quit\n");
    EXPECT_EQ(finished.exitCode, 0) << finished.err;
    EXPECT_EQ(finished.err, "");
    EXPECT_FALSE(fs::exists(dir / "TILVO.QBS"));
}

TEST_F(SoundctlSession, AScriptWithoutQuitStillSeesTheServerEnd) {
    const Finished finished = runScriptWithServer("opening\nset-master-volume --volume 50\n");
    EXPECT_EQ(finished.exitCode, 0) << finished.err;
    EXPECT_EQ(finished.err, "");
}

TEST_F(SoundctlSession, AFailedExpectationNamesItsLineAndTheServerStillEnds) {
    const Finished finished = runScriptWithServer("opening\n"
                                                  "get-track-position --slot 7 # empty\n"
                                                  "expect 0\n"
                                                  "get-track-length --slot 7\n"
                                                  "expect bytes 1..10\n"
                                                  "quit\n");
    EXPECT_EQ(finished.exitCode, 1);
    EXPECT_NE(finished.err.find("session.soundctl:5: expected bytes 1..10, got 0"),
              std::string::npos)
        << finished.err;
    EXPECT_EQ(finished.err.find("server"), std::string::npos)
        << "the server must have ended after quit: " << finished.err;
}

TEST_F(SoundctlSession, SamplesTracksAndCdFromGeneratedFiles) {
    fs::create_directories(dir / "sounds");
    fs::create_directories(dir / "cdaudio");
    ToneSpec tone;
    tone.seconds = 1.0;
    ASSERT_TRUE(writeTone(dir / "sounds" / "tone.wav", tone));
    ToneSpec stream;
    stream.seconds = 1.5;
    stream.channels = 2;
    ASSERT_TRUE(writeTone(dir / "sounds" / "Music.wav", stream));
    ToneSpec cdTrack;
    cdTrack.seconds = 12.0;
    cdTrack.channels = 2;
    cdTrack.amplitude = 0.1;
    ASSERT_TRUE(writeTone(dir / "cdaudio" / "track01.wav", cdTrack));
    // 1.5 s of 16-bit stereo at 44100 Hz.
    const Finished finished = runScriptWithServer("opening --flags 3d\n"
                                                  "load-sample --slot 1 --file sounds/tone.wav\n"
                                                  "play-sample --slot 1 --volume 50 --pan 100\n"
                                                  "play-sample-in-3d --slot 1 --position 1,0,2\n"
                                                  "load-track --slot 2 --file SOUNDS\\MUSIC.WAV "
                                                  "--kind stream\n"
                                                  "get-track-length --slot 2\n"
                                                  "expect bytes 264600\n"
                                                  "play-track --slot 2\n"
                                                  "get-track-position --slot 2\n"
                                                  "expect bytes 0..264600\n"
                                                  "stop-track --slot 2\n"
                                                  "get-track-position --slot 2\n"
                                                  "expect 0\n"
                                                  "open-cd\n"
                                                  "get-cd-track-count\n"
                                                  "expect tracks 1\n"
                                                  "get-cd-track-length --track 1\n"
                                                  "expect seconds 12\n"
                                                  "free-track --slot 2\n"
                                                  "free-sample --slot 1\n"
                                                  "quit\n");
    EXPECT_EQ(finished.exitCode, 0) << finished.err;
    EXPECT_NE(finished.out.find("get-track-length slot 2: 264600"), std::string::npos)
        << finished.out;
    EXPECT_NE(finished.out.find("get-cd-track-length: 12 seconds"), std::string::npos)
        << finished.out;
}

TEST_F(SoundctlSession, AMusicAnswersInOrdersAndRows) {
    fs::create_directories(dir);
    ASSERT_TRUE(musictest::writeModule(dir / "song.mod"));
    const Finished finished =
        runScriptWithServer("opening\n"
                            "load-track --slot 4 --file song.mod --kind music\n"
                            "get-track-length --slot 4\n"
                            "expect orders 3\n"
                            "set-track-position --slot 4 --position 2\n"
                            "get-track-position --slot 4\n"
                            "expect order 2 row 0\n"
                            "quit\n");
    EXPECT_EQ(finished.exitCode, 0) << finished.err;
    EXPECT_NE(finished.out.find("get-track-position slot 4: 2 (0x00000002): stream 2 bytes; "
                                "music order 2 row 0"),
              std::string::npos)
        << finished.out;
}

TEST_F(SoundctlSession, ServeRunsAServerUntilQuit) {
    std::vector<std::string> args{"--dir", dir.string(), "serve"};
    for (const std::string& option : serverOptions())
        args.push_back(option);
    Running serving = startSoundctl(args, root);
    ASSERT_GT(serving.pid, 0);
    const fs::path scratch = root / "client";
    fs::create_directories(scratch);
    // The directory appears once serve has started the server.
    for (int i = 0; i < 5000 && !fs::exists(dir); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const Finished opened = runSoundctl({"--dir", dir.string(), "opening"}, scratch);
    EXPECT_EQ(opened.exitCode, 0) << opened.err;
    const Finished quit = runSoundctl({"--dir", dir.string(), "-v", "quit"}, scratch);
    EXPECT_EQ(quit.exitCode, 0) << quit.err;
    EXPECT_TRUE(quit.out.starts_with("quit acknowledged in ")) << quit.out;
    const Finished served = finishSoundctl(serving);
    EXPECT_EQ(served.exitCode, 0) << served.err;
    EXPECT_NE(served.err.find("the server ended after quit"), std::string::npos) << served.err;
}

} // namespace
