#include "tests/support/analysis.h"
#include "tests/support/e2e_fixture.h"
#include "tests/support/sound_files.h"

#include <sndfile.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

// The whole captured output, interleaved stereo.
StereoBuffer readCapture(const std::filesystem::path& path) {
    StereoBuffer capture;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr || info.channels != 2) {
        if (file != nullptr)
            sf_close(file);
        return capture;
    }
    capture.rate = info.samplerate;
    capture.samples.resize(static_cast<std::size_t>(info.frames) * 2);
    sf_readf_float(file, capture.samples.data(), info.frames);
    sf_close(file);
    return capture;
}

class SampleOutput : public RealServer {
  protected:
    std::filesystem::path capturePath;

    // Starts the server with OpenAL Soft's wave backend writing what it plays,
    // with a 0.3 s tone at sounds/boom.wav.
    void startCapturing() {
        capturePath = root / "capture.wav";
        const auto confPath = root / "wave.conf";
        std::ofstream(confPath)
            << "[general]\nhrtf = false\nstereo-mode = speakers\n[wave]\nfile = "
            << capturePath.string() << "\n";
        std::filesystem::create_directories(dir / "sounds");
        ToneSpec tone;
        tone.seconds = 0.3;
        ASSERT_TRUE(writeTone(dir / "sounds" / "boom.wav", tone));
        start({"ALSOFT_DRIVERS=wave", "ALSOFT_CONF=" + confPath.string()});
        ASSERT_TRUE(open(44100, 0).acknowledged);
    }

    // Lets the sound play out, quits, and reads what the backend wrote.
    StereoBuffer stopCapturing() {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        EXPECT_EQ(quit(), 1);
        return readCapture(capturePath);
    }
};

TEST_F(SampleOutput, DosNamedSampleAtPanZeroSoundsOnTheLeftOnly) {
    startCapturing();
    ASSERT_TRUE(
        send(CommandBytes(3).put16(2, 1).putText("SOUNDS\\BOOM.WAV").put32(68, 0)).acknowledged);
    ASSERT_TRUE(
        send(CommandBytes(4).put16(2, 1).put32(4, 0xFFFFFF).put16(8, 100).put16(10, 0).put16(12, 0))
            .acknowledged);
    const StereoBuffer capture = stopCapturing();
    ASSERT_GT(capture.frames(), 0u) << "the wave backend wrote " << capturePath;
    const double left = peak(capture.channel(0));
    const double right = peak(capture.channel(1));
    EXPECT_NEAR(left, 0.5, 0.05);
    EXPECT_LT(toDecibels(right / left), -40.0);
}

// A source two units to the right of a listener facing 270 plays at volume 25
// and pan 75: the right side at a quarter, the left at a quarter of that.
TEST_F(SampleOutput, FlatPlayIsPlacedByTheServer) {
    startCapturing();
    ASSERT_TRUE(send(CommandBytes(3).put16(2, 7).putText("sounds/boom.wav")).acknowledged);
    ASSERT_TRUE(send(CommandBytes(30).put16(2, 0).put16(4, 0).put16(6, 270)).acknowledged);
    ASSERT_TRUE(
        send(
            CommandBytes(29).put16(2, 7).put32(4, 0xFFFFFF).put16(8, 100).put16(10, 2).put16(12, 0))
            .acknowledged);
    const StereoBuffer capture = stopCapturing();
    ASSERT_GT(capture.frames(), 0u);
    const double left = peak(capture.channel(0));
    const double right = peak(capture.channel(1));
    EXPECT_NEAR(right, 0.5 * 0.25, 0.02);
    EXPECT_NEAR(left / right, 0.25, 0.03);
}

} // namespace
