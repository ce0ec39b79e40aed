// Arbitrary bytes as a module file: loaded, its length read, played for a
// moment with a jump to another order, freed.
#include "fuzz/engine_fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::openEngine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!fuzzsupport::writeInput(data, size))
        return 0;
    const EngineHandle music =
        BASS_MusicLoad(false, fuzzsupport::inputPath().c_str(), 0, 0, MUSIC_LOOP);
    if (music != 0) {
        const std::uint32_t orders = BASS_MusicGetLength(music, false);
        BASS_MusicGetLength(music, true);
        BASS_MusicPlayEx(music, 0, -1, true);
        BASS_MusicSetPanSep(music, 64);
        fuzzsupport::render();
        if (orders != ENGINE_ERROR && orders > 1)
            BASS_ChannelSetPosition(music, orders - 1);
        fuzzsupport::render();
        BASS_ChannelGetPosition(music);
        BASS_MusicFree(music);
    }
    fuzzsupport::expectNothingLeft();
    return 0;
}
