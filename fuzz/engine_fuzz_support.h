// What the engine fuzz targets share: one engine opened on the loopback
// device for the whole run, inside a directory of the fuzzer's own, and a
// short render so that decoding runs on every input.
#pragma once

#include "engine/engine.h"
#include "engine/loopback.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fuzzsupport {

inline constexpr int RENDER_FRAMES = 512;
inline constexpr int RENDER_SLICES = 2;

// The file an input is written to, in a directory of this process. The
// current directory stays where it was, so that libFuzzer's relative corpus
// paths and crash files keep their place.
inline const std::string& inputPath() {
    static const std::string path = [] {
        const auto dir = std::filesystem::temp_directory_path() /
                         ("soundserver-engine-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        return (dir / "input").string();
    }();
    return path;
}

inline void openEngine() {
    setenv("ALSOFT_DRIVERS", "null", 0);
    engineUseTestLoopback(true);
    if (BASS_Init(-1, 44100, DEVICE_3D, nullptr) == 0)
        std::abort(); // every input would then test nothing
}

inline bool writeInput(const std::uint8_t* data, std::size_t size) {
    std::ofstream out(inputPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

inline void render() {
    static std::array<float, 2 * RENDER_FRAMES> scratch;
    for (int k = 0; k < RENDER_SLICES; ++k)
        engineRender(scratch.data(), RENDER_FRAMES);
}

// Whatever an input made must be gone once it was freed.
inline void expectNothingLeft() {
    const EngineCounts live = engineLiveObjects();
    if (live.samples != 0 || live.channels != 0 || live.streams != 0 || live.musics != 0)
        std::abort();
}

} // namespace fuzzsupport
