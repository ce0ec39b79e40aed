#include "engine/cue_sheet.h"

#include <array>
#include <cctype>
#include <charconv>

namespace engine {

namespace {

constexpr int MAX_TRACK_NUMBER = 99;
constexpr int SECONDS_PER_MINUTE = 60;

struct TrackMode {
    std::string_view name;
    bool audio;
    int sectorBytes;
};

constexpr std::array<TrackMode, 8> trackModes{{
    {"AUDIO", true, 2352},
    {"CDG", false, 2448},
    {"MODE1/2048", false, 2048},
    {"MODE1/2352", false, 2352},
    {"MODE2/2336", false, 2336},
    {"MODE2/2352", false, 2352},
    {"CDI/2336", false, 2336},
    {"CDI/2352", false, 2352},
}};

struct FileType {
    std::string_view name;
    CueFileType type;
};

constexpr std::array<FileType, 7> fileTypes{{
    {"BINARY", CueFileType::Binary},
    {"MOTOROLA", CueFileType::Motorola},
    {"WAVE", CueFileType::Wave},
    {"MP3", CueFileType::Wave},
    {"AIFF", CueFileType::Wave},
    {"OGG", CueFileType::Wave},
    {"FLAC", CueFileType::Wave},
}};

bool sameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Splits a line into words; a word in double quotes keeps its spaces. False
// when a quote is not closed.
bool splitWords(std::string_view line, std::vector<std::string>& words) {
    words.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        if (i == line.size())
            break;
        if (line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos)
                return false;
            words.emplace_back(line.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            const std::size_t begin = i;
            while (i < line.size() && !isBlank(line[i]))
                ++i;
            words.emplace_back(line.substr(begin, i - begin));
        }
    }
    return true;
}

bool parseNumber(std::string_view text, int& value) {
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && value >= 0;
}

// mm:ss:ff, minutes unbounded, seconds below 60, frames below 75.
bool parseTime(std::string_view text, std::int64_t& sectors) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos)
        return false;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
    if (!parseNumber(text.substr(0, first), minutes) ||
        !parseNumber(text.substr(first + 1, second - first - 1), seconds) ||
        !parseNumber(text.substr(second + 1), frames) || seconds >= SECONDS_PER_MINUTE ||
        frames >= CD_SECTORS_PER_SECOND)
        return false;
    sectors =
        (std::int64_t{minutes} * SECONDS_PER_MINUTE + seconds) * CD_SECTORS_PER_SECOND + frames;
    return true;
}

struct Parser {
    CueSheet sheet;
    bool trackHasStart = true;
    std::string error;

    bool fail(int lineNumber, std::string_view why) {
        error = "line " + std::to_string(lineNumber) + ": " + std::string(why);
        return false;
    }

    bool fileLine(int lineNumber, const std::vector<std::string>& words) {
        if (words.size() != 3)
            return fail(lineNumber, "FILE needs a name and a type");
        for (const FileType& type : fileTypes)
            if (sameWord(words[2], type.name)) {
                sheet.files.push_back({words[1], type.type});
                // A track whose pregap ends one file starts in the next.
                if (!trackHasStart)
                    sheet.tracks.back().file = sheet.files.size() - 1;
                return true;
            }
        return fail(lineNumber, "unknown file type " + words[2]);
    }

    bool trackLine(int lineNumber, const std::vector<std::string>& words) {
        int number = 0;
        if (words.size() != 3 || !parseNumber(words[1], number))
            return fail(lineNumber, "TRACK needs a number and a mode");
        if (sheet.files.empty())
            return fail(lineNumber, "TRACK before any FILE");
        if (!trackHasStart)
            return fail(lineNumber, "a track has no INDEX 01");
        const int previous = sheet.tracks.empty() ? 0 : sheet.tracks.back().number;
        if (number <= previous || number > MAX_TRACK_NUMBER)
            return fail(lineNumber, "track numbers must rise from 1 to at most 99");
        for (const TrackMode& mode : trackModes)
            if (sameWord(words[2], mode.name)) {
                sheet.tracks.push_back(
                    {number, mode.audio, mode.sectorBytes, sheet.files.size() - 1, 0});
                trackHasStart = false;
                return true;
            }
        return fail(lineNumber, "unknown track mode " + words[2]);
    }

    bool indexLine(int lineNumber, const std::vector<std::string>& words) {
        int index = 0;
        std::int64_t sectors = 0;
        if (words.size() != 3 || !parseNumber(words[1], index) || !parseTime(words[2], sectors))
            return fail(lineNumber, "INDEX needs a number and a time mm:ss:ff");
        if (sheet.tracks.empty())
            return fail(lineNumber, "INDEX before any TRACK");
        if (index != 1)
            return true;
        if (trackHasStart)
            return fail(lineNumber, "a second INDEX 01");
        CueTrack& track = sheet.tracks.back();
        // Tracks sharing a file follow each other in it.
        if (sheet.tracks.size() > 1) {
            const CueTrack& before = sheet.tracks[sheet.tracks.size() - 2];
            if (before.file == track.file && sectors <= before.start)
                return fail(lineNumber, "INDEX 01 does not lie after the previous track's");
        }
        track.start = sectors;
        trackHasStart = true;
        return true;
    }

    bool line(int lineNumber, std::string_view text) {
        std::vector<std::string> words;
        if (!splitWords(text, words))
            return fail(lineNumber, "a quote is not closed");
        if (words.empty())
            return true;
        const std::string& command = words[0];
        if (sameWord(command, "FILE"))
            return fileLine(lineNumber, words);
        if (sameWord(command, "TRACK"))
            return trackLine(lineNumber, words);
        if (sameWord(command, "INDEX"))
            return indexLine(lineNumber, words);
        // REM, TITLE, PERFORMER, FLAGS, PREGAP and the rest say nothing about
        // where the sound lies.
        return true;
    }
};

} // namespace

CueParseResult parseCueSheet(std::string_view text) {
    constexpr std::string_view utf8Mark = "\xEF\xBB\xBF";
    if (text.substr(0, utf8Mark.size()) == utf8Mark)
        text.remove_prefix(utf8Mark.size());
    Parser parser;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view lineText = text.substr(0, end);
        if (!parser.line(lineNumber, lineText))
            return {std::nullopt, parser.error};
        if (end == std::string_view::npos)
            break;
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crlf ? 2 : 1));
    }
    if (!parser.trackHasStart)
        return {std::nullopt, "the last track has no INDEX 01"};
    if (parser.sheet.tracks.empty())
        return {std::nullopt, "no TRACK"};
    return {std::move(parser.sheet), {}};
}

} // namespace engine
