#include "tests/support/scratch_dir.h"

#include <fstream>
#include <iterator>
#include <random>
#include <unistd.h>

void InScratchDir::SetUp() {
    static std::mt19937 random(static_cast<unsigned>(getpid()));
    do {
        root = std::filesystem::temp_directory_path() /
               ("soundserver-unit-" + std::to_string(getpid()) + "-" + std::to_string(random()));
    } while (!std::filesystem::create_directories(root));
    work = root / "work";
    std::filesystem::create_directories(work);
    previous = std::filesystem::current_path();
    std::filesystem::current_path(work);
}

void InScratchDir::TearDown() {
    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

void InScratchDir::writeFile(const std::filesystem::path& path,
                             const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> InScratchDir::readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
