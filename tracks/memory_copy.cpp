#include "tracks/memory_copy.h"

#include "engine/file_names.h"

#include <cstdio>
#include <limits>
#include <new>
#include <vector>

namespace {

std::vector<MemoryCopy> orphans;
std::size_t alive = 0;

} // namespace

void MemoryCopyRelease::operator()(std::uint8_t* block) const {
    --alive;
    delete[] block;
}

MemoryCopy memoryCopyRead(const std::string& name) {
    MemoryCopy copy;
    // The same name a file stream would open: as given, else DOS-style.
    const auto path = resolveClientFileName(name.c_str());
    std::FILE* file = std::fopen(path ? path->c_str() : name.c_str(), "rb");
    if (file == nullptr)
        return copy;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = std::ftell(file);
    // The engine takes the size as 32 bits; an empty file holds no sound.
    if (size > 0 && static_cast<unsigned long>(size) <= std::numeric_limits<std::uint32_t>::max() &&
        std::fseek(file, 0, SEEK_SET) == 0) {
        auto* block = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)];
        if (block != nullptr) {
            ++alive;
            copy.bytes.reset(block);
            copy.size = static_cast<std::uint32_t>(size);
            if (std::fread(block, static_cast<std::size_t>(size), 1, file) != 1)
                copy = MemoryCopy{};
        }
    }
    std::fclose(file);
    return copy;
}

void memoryCopyKeepOrphan(MemoryCopy copy) {
    if (copy.bytes)
        orphans.push_back(std::move(copy));
}

void memoryCopyReleaseOrphans() {
    orphans.clear();
}

std::size_t memoryCopiesAlive() {
    return alive;
}
