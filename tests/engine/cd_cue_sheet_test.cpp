#include "engine/cue_sheet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using engine::CueFileType;
using engine::parseCueSheet;

struct TrackSeen {
    int number;
    bool audio;
    int sectorBytes;
    std::size_t file;
    std::int64_t start;

    bool operator==(const TrackSeen&) const = default;
};

std::vector<TrackSeen> tracksOf(const engine::CueSheet& sheet) {
    std::vector<TrackSeen> seen;
    for (const auto& t : sheet.tracks)
        seen.push_back({t.number, t.audio, t.sectorBytes, t.file, t.start});
    return seen;
}

void PrintTo(const TrackSeen& t, std::ostream* out) {
    *out << "{" << t.number << (t.audio ? " audio " : " data ") << t.sectorBytes << " file "
         << t.file << " at " << t.start << "}";
}

TEST(CueSheet, ReadsWhatPlayingNeeds) {
    struct Case {
        std::string name;
        std::string text;
        std::vector<std::string> files;
        std::vector<TrackSeen> tracks;
    };
    const std::vector<Case> cases{
        {"one image, three tracks, comments and pregap",
         "\xEF\xBB\xBFREM DISCID 00000000\r\nPERFORMER \"Someone\"\r\nFILE \"Disc Image.bin\" "
         "BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n"
         "    TITLE \"Two\"\r\n    FLAGS DCP\r\n    INDEX 00 01:02:03\r\n    INDEX 01 01:04:03\r\n"
         "  TRACK 03 AUDIO\r\n    INDEX 01 60:59:74\r\n",
         {"Disc Image.bin"},
         {{1, false, 2352, 0, 0},
          {2, true, 2352, 0, (64 * 75) + 3},
          {3, true, 2352, 0, (60 * 60 + 59) * 75 + 74}}},
        {"keywords in any case, unquoted names",
         "file one.flac flac\ntrack 1 audio\nindex 1 00:00:00\nFile two.WAV Wave\nTrack 2 Audio\n"
         "Index 01 00:00:10\n",
         {"one.flac", "two.WAV"},
         {{1, true, 2352, 0, 0}, {2, true, 2352, 1, 10}}},
        {"a pregap that ends one file puts its track in the next",
         "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
         "INDEX 00 03:00:00\nFILE \"b.wav\" WAVE\nINDEX 01 00:00:00\n",
         {"a.wav", "b.wav"},
         {{1, true, 2352, 0, 0}, {2, true, 2352, 1, 0}}},
        {"data modes keep their sector sizes",
         "FILE \"x.bin\" MOTOROLA\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\nTRACK 02 MODE2/2336\n"
         "INDEX 01 00:01:00\nTRACK 03 AUDIO\nINDEX 01 00:02:00\n",
         {"x.bin"},
         {{1, false, 2048, 0, 0}, {2, false, 2336, 0, 75}, {3, true, 2352, 0, 150}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = parseCueSheet(c.text);
        ASSERT_TRUE(result.sheet.has_value()) << result.error;
        std::vector<std::string> names;
        for (const auto& f : result.sheet->files)
            names.push_back(f.name);
        EXPECT_EQ(names, c.files);
        EXPECT_EQ(tracksOf(*result.sheet), c.tracks);
    }
}

TEST(CueSheet, FileTypes) {
    const auto result = parseCueSheet("FILE a BINARY\nFILE b MOTOROLA\nFILE c WAVE\nFILE d MP3\n"
                                      "FILE e AIFF\nFILE f OGG\nFILE g FLAC\nTRACK 01 AUDIO\n"
                                      "INDEX 01 00:00:00\n");
    ASSERT_TRUE(result.sheet.has_value()) << result.error;
    const std::vector<CueFileType> expected{
        CueFileType::Binary, CueFileType::Motorola, CueFileType::Wave, CueFileType::Wave,
        CueFileType::Wave,   CueFileType::Wave,     CueFileType::Wave};
    ASSERT_EQ(result.sheet->files.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(result.sheet->files[i].type, expected[i]) << "file " << i;
}

TEST(CueSheet, RefusesWhatItCannotPlaceWithTheLine) {
    struct Case {
        std::string name;
        std::string text;
        std::string error;
    };
    const std::string head = "FILE \"x.bin\" BINARY\n";
    const std::vector<Case> cases{
        {"empty", "", "no TRACK"},
        {"only comments", "REM nothing\n", "no TRACK"},
        {"track before file", "TRACK 01 AUDIO\n", "line 1: TRACK before any FILE"},
        {"index before track", head + "INDEX 01 00:00:00\n", "line 2: INDEX before any TRACK"},
        {"unknown file type", "FILE x.bin ZIP\n", "line 1: unknown file type ZIP"},
        {"unknown mode", head + "TRACK 01 VIDEO\n", "line 2: unknown track mode VIDEO"},
        {"track 0", head + "TRACK 00 AUDIO\n", "line 2: track numbers must rise"},
        {"track 100", head + "TRACK 100 AUDIO\n", "line 2: track numbers must rise"},
        {"falling numbers", head + "TRACK 02 AUDIO\nINDEX 01 00:00:00\nTRACK 01 AUDIO\n",
         "line 4: track numbers must rise"},
        {"seconds 60", head + "TRACK 01 AUDIO\nINDEX 01 00:60:00\n", "line 3: INDEX needs"},
        {"frames 75", head + "TRACK 01 AUDIO\nINDEX 01 00:00:75\n", "line 3: INDEX needs"},
        {"negative time", head + "TRACK 01 AUDIO\nINDEX 01 -1:00:00\n", "line 3: INDEX needs"},
        {"two fields", head + "TRACK 01 AUDIO\nINDEX 01 00:00\n", "line 3: INDEX needs"},
        {"trailing junk", head + "TRACK 01 AUDIO\nINDEX 01 00:00:00x\n", "line 3: INDEX needs"},
        {"missing index 01 before next track",
         head + "TRACK 01 AUDIO\nINDEX 00 00:00:00\nTRACK 02 AUDIO\n",
         "line 4: a track has no INDEX 01"},
        {"last track without index 01", head + "TRACK 01 AUDIO\n",
         "the last track has no INDEX 01"},
        {"second index 01", head + "TRACK 01 AUDIO\nINDEX 01 00:00:00\nINDEX 01 00:00:01\n",
         "line 4: a second INDEX 01"},
        {"start not after the previous in one file",
         head + "TRACK 01 AUDIO\nINDEX 01 00:02:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n",
         "line 5: INDEX 01 does not lie after"},
        {"quote not closed", "FILE \"x.bin BINARY\n", "line 1: a quote is not closed"},
    };
    for (const Case& c : cases) {
        const auto result = parseCueSheet(c.text);
        EXPECT_FALSE(result.sheet.has_value()) << c.name;
        EXPECT_EQ(result.error.rfind(c.error, 0), 0u) << c.name << ": " << result.error;
    }
}

} // namespace
