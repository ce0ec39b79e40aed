// A test that runs inside a fresh exchange directory: root/work is the
// current directory, so the configuration file lies in root.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class InScratchDir : public ::testing::Test {
  protected:
    std::filesystem::path root;
    std::filesystem::path work;
    std::filesystem::path previous;

    void SetUp() override;
    void TearDown() override;

    void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
    std::vector<std::uint8_t> readFile(const std::filesystem::path& path);
};
