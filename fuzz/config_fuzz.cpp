// The configuration file's bytes through the text-mode reading and the mode
// decision.
#include "link/command_block.h"
#include "link/signal_mode.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint8_t text[2] = {0, 0};
    const std::size_t count = textModeBytes(data, size, text);
    if (count > 2)
        std::abort();
    for (std::size_t i = 0; i < count; ++i)
        if (text[i] == 0x1A)
            std::abort(); // the end-of-file mark never reaches the mode word
    return 0;
}
