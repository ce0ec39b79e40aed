// The client side of one exchange: write the command file, create the signal
// file, wait until the server deletes it, read the reply file.
#pragma once

#include "client/command_builder.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>

using ReplyBytes = std::array<std::uint8_t, 128>;

struct ExchangeResult {
    bool acknowledged = false;
    // The reply file as read after the acknowledgement, when one exists.
    std::optional<ReplyBytes> reply;
    // From the signal file's creation to the moment it was seen gone.
    double roundTripMs = 0.0;
};

struct ExchangeOptions {
    std::filesystem::path dir = ".";
    int timeoutMs = 5000;
    // How often the client looks for the signal file's disappearance.
    int pollMicroseconds = 100;
    // Write only this many bytes of the command file (a short command file).
    std::size_t commandFileBytes = 1024;
};

ExchangeResult exchange(const CommandBytes& command, const ExchangeOptions& options = {});

// The reply's answer at offset 64.
std::uint32_t replyAnswer32(const ReplyBytes& reply);
std::uint16_t replyAnswer16(const ReplyBytes& reply);
