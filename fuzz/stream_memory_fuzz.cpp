// Arbitrary bytes as a stream made from memory: its length read, played for
// a moment, a seek tried, freed. The buffer outlives the stream, as a
// memory-copy track's does.
#include "fuzz/engine_fuzz_support.h"

#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::openEngine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy the fuzzer does not own, so that reads past the input are seen.
    std::vector<std::uint8_t> copy(data, data + size);
    const EngineHandle stream = BASS_StreamCreateFile(
        true, copy.data(), 0, static_cast<std::uint32_t>(copy.size()), 0x20000);
    if (stream != 0) {
        const std::uint32_t length = BASS_StreamGetLength(stream);
        BASS_StreamPlay(stream, false, STREAM_LOOP);
        fuzzsupport::render();
        if (length != ENGINE_ERROR && length > 0)
            BASS_ChannelSetPosition(stream, length / 2);
        fuzzsupport::render();
        BASS_ChannelGetPosition(stream);
        BASS_StreamFree(stream);
    }
    fuzzsupport::expectNothingLeft();
    return 0;
}
