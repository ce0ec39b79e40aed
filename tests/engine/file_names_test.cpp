#include "engine/file_names.h"

#include "tests/support/sound_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class ClientFileNames : public ::testing::Test {
  protected:
    fs::path dir;
    fs::path previous;

    void SetUp() override {
        dir = makeScratchDir("file-names");
        previous = fs::current_path();
        fs::create_directories(dir / "sounds" / "Deep");
        std::ofstream(dir / "sounds" / "boom.wav") << "x";
        std::ofstream(dir / "sounds" / "Deep" / "Echo.Ogg") << "x";
        std::ofstream(dir / "plain.wav") << "x";
        fs::current_path(dir);
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(dir);
    }
};

TEST_F(ClientFileNames, ResolvesExactAndDosStyleNames) {
    struct Case {
        const char* name;
        const char* expected; // nullptr: no file
    };
    const Case cases[] = {
        {"plain.wav", "plain.wav"},
        {"PLAIN.WAV", "plain.wav"},
        {"sounds/boom.wav", "sounds/boom.wav"},
        {"SOUNDS\\BOOM.WAV", "sounds/boom.wav"},
        {"sounds\\deep\\echo.ogg", "sounds/Deep/Echo.Ogg"},
        {".\\Sounds\\Boom.wav", "./sounds/boom.wav"},
        {"sounds\\missing.wav", nullptr},
        {"nothing\\boom.wav", nullptr},
        {"", nullptr},
        {"\\", nullptr},
    };
    for (const Case& c : cases) {
        const auto resolved = resolveClientFileName(c.name);
        if (c.expected == nullptr) {
            EXPECT_FALSE(resolved.has_value()) << "name " << c.name;
        } else {
            ASSERT_TRUE(resolved.has_value()) << "name " << c.name;
            EXPECT_EQ(fs::canonical(*resolved), fs::canonical(c.expected)) << "name " << c.name;
        }
    }
}

TEST_F(ClientFileNames, AbsoluteDosStyleNameIsMatchedFromTheRoot) {
    const std::string upper = (dir / "SOUNDS" / "BOOM.WAV").string();
    const auto resolved = resolveClientFileName(upper.c_str());
    ASSERT_TRUE(resolved.has_value());
    EXPECT_EQ(fs::canonical(*resolved), fs::canonical(dir / "sounds" / "boom.wav"));
}

} // namespace
