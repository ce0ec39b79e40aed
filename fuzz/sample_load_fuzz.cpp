// Arbitrary bytes as a sample file: loaded, its defaults read and changed,
// played flat and in 3D for a moment, freed.
#include "fuzz/engine_fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::openEngine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!fuzzsupport::writeInput(data, size))
        return 0;
    // The first byte picks the load flags, so 8-bit, mono, loop and 3D loads
    // are all reached.
    const std::uint32_t flags = size > 0 ? (data[0] & 0x0F) | SAMPLE_OVER_POS : SAMPLE_OVER_POS;
    const EngineHandle sample =
        BASS_SampleLoad(false, fuzzsupport::inputPath().c_str(), 0, 0, 4, flags);
    if (sample != 0) {
        BASS_SAMPLE info{};
        BASS_SampleGetInfo(sample, &info);
        info.freq = 22050;
        BASS_SampleSetInfo(sample, &info);
        BASS_SamplePlayEx(sample, 0, -1, 80, -30, true);
        const BASS_3DVECTOR at{1.0f, 0.0f, 2.0f};
        BASS_SamplePlay3DEx(sample, &at, nullptr, nullptr, 0, 48000, 60, false);
        fuzzsupport::render();
        BASS_SampleFree(sample);
    }
    fuzzsupport::expectNothingLeft();
    return 0;
}
