#include "link/signal_mode.h"

#include "link/command_block.h"
#include "link/exchange_files.h"

#include <cstdio>

SignalMode signalMode = SignalMode::FileSignalling;

std::size_t textModeBytes(const std::uint8_t* raw, std::size_t rawSize, std::uint8_t out[2]) {
    constexpr std::uint8_t endOfFile = 0x1A;
    std::size_t written = 0;
    for (std::size_t i = 0; i < rawSize && written < 2; ++i) {
        if (raw[i] == endOfFile)
            break;
        if (raw[i] == '\r' && i + 1 < rawSize && raw[i + 1] == '\n')
            continue;
        out[written++] = raw[i];
    }
    return written;
}

void readSignalMode() {
    std::FILE* file = std::fopen(CONFIG_FILE, "rb");
    if (file == nullptr)
        return;
    // Two CR LF pairs are the most raw bytes that can make up two text bytes.
    std::uint8_t raw[4];
    const std::size_t rawSize = std::fread(raw, 1, sizeof raw, file);
    std::fclose(file);
    std::uint8_t text[2];
    const std::size_t count = textModeBytes(raw, rawSize, text);
    for (std::size_t i = 0; i < count; ++i)
        commandBlock.bytes[i] = text[i];
    signalMode = word16At(0) != 0 ? SignalMode::PortSignalling : SignalMode::FileSignalling;
}
