// Tracks: how long a 3-minute Ogg Vorbis or MP3 stream and a module take to
// load, and what 8 streams and 4 modules playing at once cost in CPU, the
// streaming thread's share apart. Run with ALSOFT_DRIVERS=null so that the
// engine mixes in real time into nothing.
//   track_bench [--stream-seconds S] [--play-seconds S] [--loads N]
#include "bench/bench_support.h"

#include "engine/engine.h"
#include "tests/engine/music_test_module.h"
#include "tests/support/sound_files.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <numbers>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int STREAMS_PLAYING = 8;
constexpr int MODULES_PLAYING = 4;

struct Format {
    std::string name;
    std::string extension;
    int sndfileFormat;
};

const std::vector<Format> FORMATS{
    {"Ogg Vorbis", "ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    {"MP3", "mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
};

// A stereo tone written in small pieces: libvorbis fails on one large write.
bool writeLongTone(const fs::path& path, double seconds, int format) {
    constexpr int RATE = 44100;
    constexpr sf_count_t PIECE_FRAMES = 4096;
    SF_INFO info{};
    info.samplerate = RATE;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return false;
    const auto frames = static_cast<sf_count_t>(seconds * RATE);
    std::vector<float> piece(2 * PIECE_FRAMES);
    bool ok = true;
    for (sf_count_t done = 0; ok && done < frames; done += PIECE_FRAMES) {
        const sf_count_t count = std::min(PIECE_FRAMES, frames - done);
        for (sf_count_t i = 0; i < count; ++i) {
            const double t = static_cast<double>(done + i) / RATE;
            const auto v = static_cast<float>(0.4 * std::sin(2 * std::numbers::pi * 440 * t) +
                                              0.1 * std::sin(2 * std::numbers::pi * 1234.5 * t));
            piece[static_cast<std::size_t>(2 * i)] = v;
            piece[static_cast<std::size_t>(2 * i + 1)] = -v;
        }
        ok = sf_writef_float(file, piece.data(), count) == count;
    }
    return sf_close(file) == 0 && ok;
}

// Milliseconds of each of `count` loads, the loaded object freed after each.
std::vector<double> loadTimes(int count, const std::function<EngineHandle()>& load,
                              const std::function<void(EngineHandle)>& release) {
    std::vector<double> ms;
    for (int k = 0; k < count; ++k) {
        const double start = nowSeconds();
        const EngineHandle handle = load();
        ms.push_back((nowSeconds() - start) * 1000.0);
        if (handle == 0) {
            std::fprintf(stderr, "track_bench: a load failed\n");
            return {};
        }
        release(handle);
    }
    return ms;
}

std::vector<std::uint8_t> fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// utime + stime of one thread, from its own stat file.
double taskCpuSeconds(const std::string& statPath) {
    std::string text;
    std::getline(std::ifstream(statPath), text);
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0.0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0.0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    for (int index = 3; index <= 15 && fields >> field; ++index)
        if (index >= 14)
            ticks += std::stod(field);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// CPU seconds of this process's thread named `name`, or -1.
double threadCpuSeconds(const std::string& name) {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr)
        return -1.0;
    double seconds = -1.0;
    while (const dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        std::string comm;
        std::getline(std::ifstream(std::string("/proc/self/task/") + entry->d_name + "/comm"),
                     comm);
        if (comm == name)
            seconds = taskCpuSeconds(std::string("/proc/self/task/") + entry->d_name + "/stat");
    }
    closedir(tasks);
    return seconds;
}

std::string ms(const Summary& s) {
    return fixed(s.median, 2) + " / " + fixed(s.p99, 2);
}

} // namespace

int main(int argc, char** argv) {
    const double streamSeconds = numberOption(argc, argv, "stream-seconds", 180.0);
    const double playSeconds = numberOption(argc, argv, "play-seconds", 10.0);
    const int loads = static_cast<int>(numberOption(argc, argv, "loads", 20));

    const fs::path dir = makeScratchDir("track-bench");
    std::printf("generating %.0f s stereo 44.1 kHz files in %s ...\n", streamSeconds, dir.c_str());
    for (const Format& format : FORMATS) {
        if (!writeLongTone(dir / ("stream." + format.extension), streamSeconds,
                           format.sndfileFormat)) {
            std::fprintf(stderr, "track_bench: libsndfile cannot write %s\n", format.name.c_str());
            return 1;
        }
    }
    const fs::path module = dir / "song.mod";
    if (!musictest::writeModule(module))
        return 1;

    if (BASS_Init(-1, 44100, 0, nullptr) == 0) {
        std::fprintf(stderr, "track_bench: the engine did not start\n");
        return 1;
    }

    Table loadTable{"Track loads, ms (median / p99 of " + std::to_string(loads) + ")",
                    {"what", "from file", "from memory"},
                    {}};
    const auto freeStream = [](EngineHandle h) { BASS_StreamFree(h); };
    for (const Format& format : FORMATS) {
        const fs::path path = dir / ("stream." + format.extension);
        const std::vector<std::uint8_t> copy = fileBytes(path);
        const auto fromFile = loadTimes(
            loads, [&] { return BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0x20000); },
            freeStream);
        const auto fromMemory = loadTimes(
            loads,
            [&] {
                return BASS_StreamCreateFile(true, copy.data(), 0,
                                             static_cast<std::uint32_t>(copy.size()), 0x20000);
            },
            freeStream);
        loadTable.rows.push_back({fixed(streamSeconds / 60, 0) + "-minute " + format.name + " (" +
                                      fixed(static_cast<double>(copy.size()) / 1e6, 1) + " MB)",
                                  ms(summarize(fromFile)), ms(summarize(fromMemory))});
    }
    const auto moduleLoads = loadTimes(
        loads, [&] { return BASS_MusicLoad(false, module.c_str(), 0, 0, 0); },
        [](EngineHandle h) { BASS_MusicFree(h); });
    loadTable.rows.push_back({"4-channel MOD", ms(summarize(moduleLoads)), "-"});
    printTable(loadTable);
    writeCsv(loadTable, "track_loads.csv");

    // Everything playing at once, looped so nothing ends within the run.
    const double idleStart = selfCpuSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(playSeconds / 2));
    const double idleCpu = selfCpuSeconds() - idleStart;

    std::vector<EngineHandle> streams;
    std::vector<EngineHandle> musics;
    for (int k = 0; k < STREAMS_PLAYING; ++k) {
        const Format& format = FORMATS[static_cast<std::size_t>(k) % FORMATS.size()];
        const fs::path path = dir / ("stream." + format.extension);
        const EngineHandle s = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0x20000);
        BASS_StreamPlay(s, false, STREAM_LOOP);
        streams.push_back(s);
    }
    for (int k = 0; k < MODULES_PLAYING; ++k) {
        const EngineHandle m = BASS_MusicLoad(false, module.c_str(), 0, 0, MUSIC_LOOP);
        BASS_MusicPlayEx(m, 0, -1, true);
        musics.push_back(m);
    }
    const double streamingBefore = std::max(threadCpuSeconds("streaming"), 0.0);
    const double playStart = selfCpuSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(playSeconds));
    const double playCpu = selfCpuSeconds() - playStart;
    const double streamingCpu = threadCpuSeconds("streaming") - streamingBefore;
    std::uint32_t lastPosition = BASS_ChannelGetPosition(streams.front());

    Table cpuTable{"CPU, " + std::to_string(STREAMS_PLAYING) +
                       " streams (Ogg Vorbis and MP3) and " + std::to_string(MODULES_PLAYING) +
                       " modules playing",
                   {"measure", "CPU seconds", "over wall seconds", "share of one core"},
                   {}};
    cpuTable.rows.push_back({"whole process, nothing playing", fixed(idleCpu, 3),
                             fixed(playSeconds / 2, 1),
                             fixed(100.0 * idleCpu / (playSeconds / 2), 2) + " %"});
    cpuTable.rows.push_back({"whole process (user+sys)", fixed(playCpu, 3), fixed(playSeconds, 1),
                             fixed(100.0 * playCpu / playSeconds, 2) + " %"});
    cpuTable.rows.push_back({"streaming thread (decoding)", fixed(streamingCpu, 3),
                             fixed(playSeconds, 1),
                             fixed(100.0 * streamingCpu / playSeconds, 2) + " %"});
    printTable(cpuTable);
    writeCsv(cpuTable, "track_cpu.csv");
    std::printf("first stream heard up to byte %u of %u\n", lastPosition,
                BASS_StreamGetLength(streams.front()));

    for (EngineHandle s : streams)
        BASS_StreamFree(s);
    for (EngineHandle m : musics)
        BASS_MusicFree(m);
    BASS_Free();
    fs::remove_all(dir);
    return 0;
}
