#include "client/exchange_client.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

bool writeWhole(const fs::path& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

std::optional<ReplyBytes> readReply(const fs::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return std::nullopt;
    ReplyBytes reply{};
    const std::size_t count = std::fread(reply.data(), 1, reply.size(), file);
    std::fclose(file);
    if (count != reply.size())
        return std::nullopt;
    return reply;
}

} // namespace

ExchangeResult exchange(const CommandBytes& command, const ExchangeOptions& options) {
    ExchangeResult result;
    const fs::path signal = options.dir / "TILVO.QBS";
    const fs::path commandFile = options.dir / "TILVO.QBW";
    const fs::path replyFile = options.dir / "TILVO.VCW";
    const std::size_t size = std::min(options.commandFileBytes, command.bytes.size());
    if (!writeWhole(commandFile, command.bytes.data(), size))
        return result;
    const auto start = std::chrono::steady_clock::now();
    if (!writeWhole(signal, nullptr, 0))
        return result;
    const auto deadline = start + std::chrono::milliseconds(options.timeoutMs);
    std::error_code error;
    while (fs::exists(signal, error)) {
        if (std::chrono::steady_clock::now() > deadline)
            return result;
        std::this_thread::sleep_for(std::chrono::microseconds(options.pollMicroseconds));
    }
    result.roundTripMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    result.acknowledged = true;
    result.reply = readReply(replyFile);
    return result;
}

std::uint32_t replyAnswer32(const ReplyBytes& reply) {
    return reply[64] | reply[65] << 8 | reply[66] << 16 |
           static_cast<std::uint32_t>(reply[67]) << 24;
}

std::uint16_t replyAnswer16(const ReplyBytes& reply) {
    return static_cast<std::uint16_t>(reply[64] | reply[65] << 8);
}
