// Loading: 1024 one-second samples and a 3-minute stream in WAV, FLAC, Ogg
// Vorbis and MP3, through our engine, beside libsndfile decoding the same
// files into one buffer and beside sox decoding them to nothing.
//   loading_bench [--samples N] [--stream-seconds S]
#include "bench/bench_support.h"

#include "engine/engine.h"
#include "engine/loopback.h"
#include "tests/support/sound_files.h"

#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>

namespace {

namespace fs = std::filesystem;

constexpr int RATE = 44100;
constexpr double RATIO_GOAL = 1.5;
// Rendering a stream to its end: slices as the engine's loopback takes them.
constexpr int RENDER_FRAMES = 4410;
// The stream's figures are the median of a few runs; the samples' one run
// already takes thousands of loads.
constexpr int STREAM_RUNS = 3;

struct Format {
    std::string name;
    std::string extension;
    int sndfileFormat;
    // sox reads MP3 only with the libsox-fmt-mp3 package, which the project
    // does not install: its column says n/a for MP3 without it.
    bool soxMayLack;
};

const std::vector<Format> FORMATS{
    {"WAV", "wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, false},
    {"FLAC", "flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, false},
    {"Ogg Vorbis", "ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, false},
    {"MP3", "mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, true},
};

// Decodes a whole file into the buffer with libsndfile; false on failure.
// Appends the file's PCM to the buffer. The samples all stay in memory at
// once, in the engine as here, so both sides touch the same amount of fresh
// memory.
bool decodeWhole(const fs::path& path, std::vector<short>& buffer) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return false;
    const std::size_t start = buffer.size();
    buffer.resize(start + static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t read = sf_readf_short(file, buffer.data() + start, info.frames);
    sf_close(file);
    return read > 0;
}

struct Timing {
    bool ok = false;
    double seconds = 0.0;
};

Timing time(const std::function<bool()>& work) {
    const double start = nowSeconds();
    const bool ok = work();
    return {ok, nowSeconds() - start};
}

Timing oursSamples(const std::vector<fs::path>& files) {
    std::vector<EngineHandle> samples;
    samples.reserve(files.size());
    const Timing timing = time([&] {
        for (const fs::path& file : files) {
            const EngineHandle sample = BASS_SampleLoad(false, file.c_str(), 0, 0, 10, 0);
            if (sample == 0)
                return false;
            samples.push_back(sample);
        }
        return true;
    });
    for (EngineHandle sample : samples)
        BASS_SampleFree(sample);
    return timing;
}

// Opening a stream is what a load command costs; playing it through to its
// end through the loopback output decodes it all.
Timing oursStreamOpen(const fs::path& file) {
    EngineHandle stream = 0;
    const Timing timing = time([&] {
        stream = BASS_StreamCreateFile(false, file.c_str(), 0, 0, 0);
        return stream != 0 && BASS_StreamGetLength(stream) != ENGINE_ERROR;
    });
    BASS_StreamFree(stream);
    return timing;
}

Timing oursStreamPlayThrough(const fs::path& file) {
    const EngineHandle stream = BASS_StreamCreateFile(false, file.c_str(), 0, 0, 0);
    if (stream == 0)
        return {};
    const std::uint32_t length = BASS_StreamGetLength(stream);
    std::vector<float> output(2 * RENDER_FRAMES);
    const Timing timing = time([&] {
        if (BASS_StreamPlay(stream, false, 0) == 0)
            return false;
        // Bytes of 16-bit stereo: 4 to a frame.
        const std::uint64_t frames = length / 4 + RATE / 2;
        for (std::uint64_t done = 0; done < frames; done += RENDER_FRAMES)
            engineRender(output.data(), RENDER_FRAMES);
        return BASS_ChannelGetPosition(stream) >= length - 4 * RENDER_FRAMES ||
               BASS_ChannelGetPosition(stream) == ENGINE_ERROR;
    });
    BASS_StreamFree(stream);
    return timing;
}

std::size_t totalSamples(const std::vector<fs::path>& files) {
    std::size_t total = 0;
    for (const fs::path& path : files) {
        SF_INFO info{};
        if (SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info)) {
            total += static_cast<std::size_t>(info.frames * info.channels);
            sf_close(file);
        }
    }
    return total;
}

Timing sndfileAll(const std::vector<fs::path>& files) {
    // Sized beforehand, so that no copying on growth is counted against it.
    const std::size_t total = totalSamples(files);
    return time([&] {
        std::vector<short> buffer;
        buffer.reserve(total);
        for (const fs::path& file : files)
            if (!decodeWhole(file, buffer))
                return false;
        return true;
    });
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) on "'" + string.
Timing medianOf(int runs, const std::function<Timing()>& measure) {
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        const Timing timing = measure();
        if (!timing.ok)
            return timing;
        seconds.push_back(timing.seconds);
    }
    return {true, summarize(seconds).median};
}

std::string quoted(const fs::path& path) {
    std::string text(1, '\'');
    text += path.string();
    text += '\'';
    return text;
}

// One sox process decodes all the files one after another.
Timing soxAll(const std::vector<fs::path>& files, const fs::path& list) {
    std::string command = "sox -q";
    for (const fs::path& file : files)
        command.append(" ").append(quoted(file));
    command += " -t raw /dev/null 2>/dev/null";
    std::ofstream(list) << command;
    return time([&] { return std::system(("sh " + quoted(list)).c_str()) == 0; });
}

std::string seconds(const Timing& timing) {
    return timing.ok ? fixed(timing.seconds * 1000.0, 1) : "failed";
}

std::string soxSeconds(const Timing& timing, const Format& format) {
    return !timing.ok && format.soxMayLack ? "n/a" : seconds(timing);
}

std::string ratio(const Timing& ours, const Timing& reference) {
    return ours.ok && reference.ok && reference.seconds > 0.0
               ? fixed(ours.seconds / reference.seconds, 3)
               : "n/a";
}

} // namespace

int main(int argc, char** argv) {
    const int sampleCount = static_cast<int>(numberOption(argc, argv, "samples", 1024));
    const double streamSeconds = numberOption(argc, argv, "stream-seconds", 180);
    const fs::path root = makeScratchDir("bench-loading");
    engineUseTestLoopback(true);
    if (BASS_Init(-1, RATE, 0, nullptr) == 0) {
        std::fprintf(stderr, "loading_bench: the engine did not open\n");
        return 1;
    }
    Table table{"Loading " + std::to_string(sampleCount) + " one-second samples (mono) and a " +
                    fixed(streamSeconds / 60.0, 1) +
                    "-minute stream (stereo), 44.1 kHz; times in ms",
                {"format", "what", "ours ms", "libsndfile ms", "ours/libsndfile", "goal", "sox ms"},
                {}};
    bool goalMet = true;
    for (const Format& format : FORMATS) {
        const fs::path dir = root / format.extension;
        fs::create_directories(dir);
        ToneSpec sample;
        sample.seconds = 1.0;
        sample.format = format.sndfileFormat;
        ToneSpec stream;
        stream.seconds = streamSeconds;
        stream.channels = 2;
        stream.format = format.sndfileFormat;
        const fs::path first = dir / ("s0000." + format.extension);
        const fs::path streamFile = dir / ("stream." + format.extension);
        std::fprintf(stderr, "loading_bench: writing %s files\n", format.name.c_str());
        if (!writeTone(first, sample) || !writeTone(streamFile, stream)) {
            table.rows.push_back(
                {format.name, "(libsndfile cannot write it)", "n/a", "n/a", "n/a", "n/a", "n/a"});
            continue;
        }
        // Every sample is its own file; hard links keep the writing cheap.
        std::vector<fs::path> files{first};
        for (int i = 1; i < sampleCount; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "s%04d.", i);
            files.push_back(dir / (name + format.extension));
            fs::create_hard_link(first, files.back());
        }
        sndfileAll(files); // the page cache holds them for every reader alike

        const Timing oursLoad = oursSamples(files);
        const Timing sndfileLoad = sndfileAll(files);
        const Timing soxLoad = soxAll(files, root / "sox.sh");
        const bool samplesOk =
            oursLoad.ok && sndfileLoad.ok && oursLoad.seconds <= RATIO_GOAL * sndfileLoad.seconds;
        goalMet = goalMet && samplesOk;
        table.rows.push_back({format.name, std::to_string(sampleCount) + " samples",
                              seconds(oursLoad), seconds(sndfileLoad), ratio(oursLoad, sndfileLoad),
                              samplesOk ? "met" : "MISSED", soxSeconds(soxLoad, format)});

        const Timing oursOpen = medianOf(STREAM_RUNS, [&] { return oursStreamOpen(streamFile); });
        const Timing oursPlay =
            medianOf(STREAM_RUNS, [&] { return oursStreamPlayThrough(streamFile); });
        const Timing sndfileStream =
            medianOf(STREAM_RUNS, [&] { return sndfileAll({streamFile}); });
        const Timing soxStream =
            medianOf(STREAM_RUNS, [&] { return soxAll({streamFile}, root / "sox.sh"); });
        const bool streamOk = oursPlay.ok && sndfileStream.ok &&
                              oursPlay.seconds <= RATIO_GOAL * sndfileStream.seconds;
        goalMet = goalMet && streamOk;
        table.rows.push_back(
            {format.name, "stream: open + length", seconds(oursOpen), "", "", "", ""});
        table.rows.push_back({format.name, "stream: played through", seconds(oursPlay),
                              seconds(sndfileStream), ratio(oursPlay, sndfileStream),
                              streamOk ? "met" : "MISSED", soxSeconds(soxStream, format)});
        fs::remove_all(dir);
    }
    BASS_Free();
    std::error_code ignored;
    fs::remove_all(root, ignored);

    printTable(table);
    std::printf("ours: BASS_SampleLoad per file; a stream opened, then played to its end through "
                "the loopback output (decoding and mixing). libsndfile: every file decoded whole "
                "into one buffer that holds them all (as the engine holds its samples). sox: one "
                "process decoding the files to /dev/null.\n");
    std::printf("goal ours/libsndfile <= %.1f: %s\n", RATIO_GOAL, goalMet ? "met" : "MISSED");
    const fs::path csv = writeCsv(table, "loading.csv");
    if (!csv.empty())
        std::printf("written: %s\n", csv.c_str());
    return 0;
}
