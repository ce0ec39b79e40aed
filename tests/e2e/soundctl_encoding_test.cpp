// soundctl's side of the exchange: the test stands in for the server, takes
// the block that soundctl sends, and answers with a reply of its choosing.
#include "tests/e2e/soundctl_process.h"

#include "client/command_builder.h"
#include "client/exchange_client.h"
#include "tests/support/sound_files.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>

namespace {

using namespace soundctl_test;

constexpr std::uint32_t NO_VALUE16 = 0xFFFF;
constexpr std::uint32_t NO_VALUE24 = 0xFFFFFF;
constexpr std::uint32_t NATIVE_FREQ24 = 0xFFFFFE;
constexpr std::uint32_t MINUS_ONE = 0xBF800000; // the float -1
constexpr std::uint32_t ABSENT_X = 0x4B7FFFFF;

std::vector<std::uint8_t> bytesOf(const CommandBytes& block) {
    return {block.bytes.begin(), block.bytes.end()};
}

CommandBytes& absent(CommandBytes& block, std::size_t pos) {
    return block.put32(pos, ABSENT_X).put32(pos + 4, 0).put32(pos + 8, 0);
}

std::string firstDifference(const std::vector<std::uint8_t>& got,
                            const std::vector<std::uint8_t>& want) {
    if (got.size() != want.size())
        return "size " + std::to_string(got.size()) + " instead of " + std::to_string(want.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        if (got[i] != want[i]) {
            char text[64];
            std::snprintf(text, sizeof text, "byte %zu is 0x%02X, expected 0x%02X", i, got[i],
                          want[i]);
            return text;
        }
    return {};
}

class SoundctlClientSide : public ::testing::Test {
  protected:
    fs::path root;
    fs::path dir;

    void SetUp() override {
        root = makeScratchDir("soundctl-client");
        dir = root / "work";
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // Plays the server for each command soundctl sends until it ends: keeps
    // each command file, writes the reply (if any) and deletes the signal.
    Finished serve(const std::vector<std::string>& args,
                   std::vector<std::vector<std::uint8_t>>& taken,
                   const std::vector<ReplyBytes>& replies = {}) {
        Running running = startSoundctl(args, root);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            if (fs::exists(dir / "TILVO.QBS")) {
                std::ifstream command(dir / "TILVO.QBW", std::ios::binary);
                taken.emplace_back(std::istreambuf_iterator<char>(command),
                                   std::istreambuf_iterator<char>());
                if (taken.size() <= replies.size()) {
                    std::ofstream reply(dir / "TILVO.VCW", std::ios::binary);
                    const ReplyBytes& bytes = replies[taken.size() - 1];
                    reply.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
                }
                fs::remove(dir / "TILVO.QBS");
                continue;
            }
            if (const auto code = exitedAlready(running)) {
                Finished finished = finishSoundctl(running);
                finished.exitCode = *code;
                return finished;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        kill(running.pid, SIGKILL);
        ADD_FAILURE() << "soundctl did not end";
        return finishSoundctl(running);
    }

    std::vector<std::string> withDir(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--dir", dir.string()});
        return args;
    }
};

ReplyBytes replyWith(std::uint32_t answer) {
    ReplyBytes reply{};
    for (int i = 0; i < 4; ++i)
        reply[64 + i] = static_cast<std::uint8_t>(answer >> (8 * i));
    return reply;
}

TEST_F(SoundctlClientSide, NamedFieldsLandAtTheirOffsetsWithTheirSentinels) {
    struct Row {
        std::vector<std::string> words;
        CommandBytes block;
    };
    const std::string dosName = "SOUNDS\\BOOM.WAV";
    std::vector<Row> rows;
    rows.push_back({{"opening"}, CommandBytes(0).put32(2, 44100).put32(6, 0)});
    rows.push_back({{"opening", "--frequency", "22050", "--flags", "3d"},
                    CommandBytes(0).put32(2, 22050).put32(6, 4)});
    rows.push_back({{"play-sample", "--slot", "3", "--volume", "80", "--pan", "100"},
                    CommandBytes(4).put16(2, 3).put32(4, NO_VALUE24).put16(8, 80).put16(10, 100)});
    rows.push_back({{"play-sample", "--slot", "1024", "--frequency", "native", "--volume",
                     "default", "--pan", "default", "--loop", "loop"},
                    CommandBytes(4)
                        .put16(2, 1024)
                        .put32(4, NATIVE_FREQ24)
                        .put16(8, NO_VALUE16)
                        .put16(10, NO_VALUE16)
                        .put16(12, 1)});
    rows.push_back({{"play-sample", "--slot", "2", "--frequency", "default", "--loop", "0xFFFE"},
                    CommandBytes(4)
                        .put16(2, 2)
                        .put32(4, NO_VALUE24)
                        .put16(8, NO_VALUE16)
                        .put16(10, NO_VALUE16)
                        .put16(12, 0xFFFE)});
    rows.push_back({{"set-sample-defaults", "--slot", "2"},
                    CommandBytes(5)
                        .put16(2, 2)
                        .put32(4, NO_VALUE16)
                        .put16(8, NO_VALUE16)
                        .put16(10, NO_VALUE16)
                        .put16(12, NO_VALUE16)
                        .put16(14, NO_VALUE16)});
    rows.push_back({{"set-sample-defaults", "--slot", "2", "--frequency", "native",
                     "--flag-reduction", "reduce", "--flags", "loop+3d"},
                    CommandBytes(5)
                        .put16(2, 2)
                        .put32(4, NATIVE_FREQ24)
                        .put16(8, NO_VALUE16)
                        .put16(10, NO_VALUE16)
                        .put16(12, 0)
                        .put16(14, 0xC)});
    rows.push_back({{"load-sample", "--slot", "1", "--file", dosName, "--flags", "mono+over-pos"},
                    CommandBytes(3).put16(2, 1).putText(dosName).put32(68, 0x20002)});
    rows.push_back({{"load-track", "--slot", "5", "--file", "a.ogg", "--kind", "stream", "--flags",
                     "loop+memory"},
                    CommandBytes(7).put16(2, 5).putText("a.ogg").put32(68, 0x1004).put16(72, 1)});
    rows.push_back({{"set-track-attributes", "--slot", "cd", "--volume", "50"},
                    CommandBytes(9).put16(2, 513).put16(4, NO_VALUE16).put16(6, 50)});
    rows.push_back({{"set-track-position", "--slot", "2", "--position", "0xFFFFFF"},
                    CommandBytes(22).put16(2, 2).put32(4, 0xFFFFFF)});
    rows.push_back({{"set-flat-listener", "--y", "-5"},
                    CommandBytes(30).put16(2, NO_VALUE16).put16(4, 0xFFFB).put16(6, NO_VALUE16)});
    rows.push_back({{"play-flat-batch", "--x", "-5", "--facing", "270", "--entry", "--slot", "1",
                     "--x", "3", "--y", "-4", "--entry", "--slot", "2", "--volume", "7"},
                    CommandBytes(19)
                        .put16(2, 0xFFFB)
                        .put16(4, NO_VALUE16)
                        .put16(6, 270)
                        .put16(8, 2)
                        .put16(12, 1)
                        .put32(14, NO_VALUE24)
                        .put16(18, NO_VALUE16)
                        .put16(20, 3)
                        .put16(22, 0xFFFC)
                        .put16(28, 2)
                        .put32(30, NO_VALUE24)
                        .put16(34, 7)});
    CommandBytes threeD(20);
    threeD.putVector(2, 0, 0, 0);
    absent(threeD, 14);
    absent(threeD, 26);
    threeD.putVector(38, 0, 1, 0).put16(50, 1).put16(54, 9).put32(56, NO_VALUE24).put16(60, 60);
    threeD.put16(62, 1).putVector(64, 1, 0, -2.5f);
    absent(threeD, 76);
    absent(threeD, 88);
    rows.push_back({{"play-3d-batch", "--position", "0,0,0", "--top", "0,1,0", "--entry", "--slot",
                     "9", "--volume", "60", "--loop", "loop", "--position", "1,0,-2.5"},
                    threeD});
    CommandBytes listener(24);
    absent(listener, 2);
    absent(listener, 14);
    absent(listener, 26);
    absent(listener, 38);
    rows.push_back({{"set-3d-listener", "--front", "absent"}, listener});
    rows.push_back({{"set-3d-factors", "--distance", "1"},
                    CommandBytes(26).putFloat(2, 1.0f).put32(6, MINUS_ONE).put32(10, MINUS_ONE)});
    rows.push_back({{"set-eax-environment", "--environment", "hangar"},
                    CommandBytes(27)
                        .put16(2, 37)
                        .put32(4, MINUS_ONE)
                        .put32(8, MINUS_ONE)
                        .put32(12, MINUS_ONE)});
    rows.push_back({{"set-eax-environment", "--environment", "keep", "--volume", "0.5", "--decay",
                     "1.5", "--damping", "bits:0x7FC00000"},
                    CommandBytes(27)
                        .put16(2, NO_VALUE16)
                        .putFloat(4, 0.5f)
                        .putFloat(8, 1.5f)
                        .put32(12, 0x7FC00000)});
    rows.push_back(
        {{"play-sample-batch", "--entry", "--slot", "1", "--entry", "--slot", "2", "--pan", "0"},
         CommandBytes(28)
             .put16(2, 2)
             .put16(6, 1)
             .put32(8, NO_VALUE24)
             .put16(12, NO_VALUE16)
             .put16(14, NO_VALUE16)
             .put16(20, 2)
             .put32(22, NO_VALUE24)
             .put16(26, NO_VALUE16)
             .put16(28, 0)});
    rows.push_back({{"play-sample-batch", "--count", "0"}, CommandBytes(28)});
    rows.push_back({{"set-distance-scale", "--scale", "-2"}, CommandBytes(31).putFloat(2, -2.0f)});
    rows.push_back({{"play-cd-track", "--track", "2", "--loop", "2"},
                    CommandBytes(36).put16(2, 2).put16(4, 2)});
    rows.push_back({{"raw", "0=4", "2=3", "4:32=0xFFFFFF", "8=80", "10=-1", "16:f=0.5"},
                    CommandBytes(4)
                        .put16(2, 3)
                        .put32(4, 0xFFFFFF)
                        .put16(8, 80)
                        .put16(10, 0xFFFF)
                        .putFloat(16, 0.5f)});
    rows.push_back({{"raw", "0200", "ff"}, CommandBytes(2).put8(2, 0xFF)});

    for (const Row& row : rows) {
        std::string line;
        for (const std::string& word : row.words)
            line += word + " ";
        SCOPED_TRACE("soundctl " + line);
        std::vector<std::vector<std::uint8_t>> taken;
        const Finished finished = serve(withDir(row.words), taken);
        EXPECT_EQ(finished.exitCode, 0) << finished.err;
        ASSERT_EQ(taken.size(), 1u);
        EXPECT_EQ(firstDifference(taken[0], bytesOf(row.block)), "");
    }
}

TEST_F(SoundctlClientSide, RawSizeWritesAShortCommandFile) {
    std::vector<std::vector<std::uint8_t>> taken;
    const Finished finished = serve(withDir({"raw", "--size", "6", "0=17", "2=50", "8=9"}), taken);
    EXPECT_EQ(finished.exitCode, 0) << finished.err;
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0], (std::vector<std::uint8_t>{17, 0, 50, 0, 0, 0}));
}

TEST_F(SoundctlClientSide, MistakesAreReportedAndNothingIsSent) {
    const std::string longName(65, 'a');
    std::vector<std::string> tooMany{"play-sample-batch"};
    for (int i = 0; i < 73; ++i)
        tooMany.insert(tooMany.end(), {"--entry", "--slot", "1"});
    struct Row {
        std::vector<std::string> words;
        std::string message;
    } rows[] = {
        {{"play-sample"}, "--slot is required"},
        {{"play-sample", "--slot", "3", "--volume", "70000"}, "--volume 70000"},
        {{"play-sample", "--slot", "3", "--volume", "loud"}, "--volume loud"},
        {{"play-sample", "--slot", "3", "--bogus", "1"}, "unknown option --bogus"},
        {{"play-sample", "--slot", "3", "--slot", "4"}, "--slot is given twice"},
        {{"play-sample", "--slot"}, "--slot needs a value"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {tooMany, "at most 72 entries"},
        {{"play-flat-batch", "--entry", "--volume", "3"}, "--slot is required in entry 1"},
        {{"load-sample", "--slot", "1", "--file", longName}, "at most 64 bytes"},
        {{"set-3d-listener", "--front", "1,2"}, "--front 1,2"},
        {{"set-flat-listener", "--x", "40000"}, "--x 40000"},
        {{"raw", "4=70000"}, "does not fit in 16 bits"},
        {{"raw", "1023:16=1"}, "runs past byte 1023"},
        {{"raw", "abc"}, "pairs of digits"},
        {{"opening", "--timeout", "0"}, "--timeout 0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        std::vector<std::vector<std::uint8_t>> taken;
        const Finished finished = serve(withDir(row.words), taken);
        EXPECT_EQ(finished.exitCode, 2);
        EXPECT_NE(finished.err.find(row.message), std::string::npos) << finished.err;
        EXPECT_TRUE(taken.empty());
    }
}

TEST_F(SoundctlClientSide, RepliesAreDecodedAsTheAskingCommandDefinesThem) {
    ReplyBytes trackCount = replyWith(0x00010007); // a 16-bit answer over an older 32-bit one
    struct Row {
        std::vector<std::string> words;
        ReplyBytes reply;
        std::string printed;
    } rows[] = {
        {{"get-track-length", "--slot", "1"},
         replyWith(264600),
         "get-track-length slot 1: 264600 (0x00040998): stream 264600 bytes; music 264600 "
         "orders\n"},
        {{"get-track-position", "--slot", "2"},
         replyWith(0x00050003),
         "get-track-position slot 2: 327683 (0x00050003): stream 327683 bytes; music order 3 "
         "row 5\n"},
        {{"get-track-position", "--slot", "cd"},
         replyWith(12),
         "get-track-position slot 513: 12 seconds\n"},
        {{"get-track-length", "--slot", "4"},
         replyWith(0xFFFFFFFF),
         "get-track-length slot 4: 4294967295 (0xFFFFFFFF): the engine's failure value\n"},
        {{"get-cd-track-count"}, trackCount, "get-cd-track-count: 7 tracks\n"},
        {{"get-cd-track-length", "--track", "1"},
         replyWith(225),
         "get-cd-track-length: 225 seconds\n"},
        {{"raw", "0=21", "2=6"},
         replyWith(100),
         "raw block (code 21, get-track-length) slot 6: 100 (0x00000064): stream 100 bytes; "
         "music 100 orders\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.printed);
        std::vector<std::vector<std::uint8_t>> taken;
        const Finished finished = serve(withDir(row.words), taken, {row.reply});
        EXPECT_EQ(finished.exitCode, 0) << finished.err;
        EXPECT_EQ(finished.out, row.printed);
    }
}

TEST_F(SoundctlClientSide, ScriptExpectationsCheckTheLastReplyAndNameTheFailingLine) {
    const fs::path script = root / "check.soundctl";
    writeText(script, "# replies chosen by the test\n"
                      "get-track-position --slot 2\n"
                      "expect order 3 row 5\n"
                      "expect bytes 0x50003\n"
                      "expect 327000..328000\n"
                      "get-cd-track-count   # 16 bits\n"
                      "sleep 1\n"
                      "expect tracks 7\n"
                      "expect 8\n"
                      "get-cd-track-count\n");
    std::vector<std::vector<std::uint8_t>> taken;
    const Finished finished =
        serve(withDir({"run", script.string()}), taken, {replyWith(0x00050003), replyWith(7)});
    EXPECT_EQ(finished.exitCode, 1);
    EXPECT_EQ(taken.size(), 2u) << "the run must stop at the failing line";
    EXPECT_NE(
        finished.err.find(script.string() + ":9: expected 8, got 7 tracks from get-cd-track-count"),
        std::string::npos)
        << finished.err;
}

TEST_F(SoundctlClientSide, ScriptExpectationOfTheWrongReadingFails) {
    struct Row {
        std::string script;
        std::string message;
    } rows[] = {
        {"get-track-position --slot cd\nexpect order 1\n",
         ":2: the last reply (get-track-position slot 513) has no reading in order"},
        {"get-track-length --slot 1\nexpect seconds 1\n",
         ":2: the last reply (get-track-length slot 1) has no reading in seconds"},
        {"expect 1\n", ":1: expect: no command has answered yet"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        const fs::path script = root / "reading.soundctl";
        writeText(script, row.script);
        std::vector<std::vector<std::uint8_t>> taken;
        const Finished finished = serve(withDir({"run", script.string()}), taken, {replyWith(1)});
        EXPECT_EQ(finished.exitCode, 1);
        EXPECT_NE(finished.err.find(script.string() + row.message), std::string::npos)
            << finished.err;
    }
}

TEST_F(SoundctlClientSide, AScriptWithAMistakeSendsNothing) {
    struct Row {
        std::string script;
        std::string message;
    } rows[] = {
        {"set-master-volume --volume 50\nplay-sample --slot\n", ":2: --slot needs a value"},
        {"set-master-volume --volume 50\n\n\nexpect seconds\n", ":4: expect: a value is missing"},
        {"set-master-volume --volume 50\nsleep soon\n", ":2: sleep takes one number"},
        {"load-sample --slot 1 --file \"a b.wav\nquit\n", ":1: unterminated \" quote"},
        {"quit\nrun other.soundctl\n", ":2: run cannot be used inside a script"},
        {"expect order 1 col 2\n", ":1: expect: after the order comes 'row VALUE'"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        const fs::path script = root / "bad.soundctl";
        writeText(script, row.script);
        std::vector<std::vector<std::uint8_t>> taken;
        const Finished finished = serve(withDir({"run", script.string()}), taken);
        EXPECT_EQ(finished.exitCode, 2);
        EXPECT_TRUE(taken.empty());
        EXPECT_NE(finished.err.find(script.string() + row.message), std::string::npos)
            << finished.err;
    }
}

TEST_F(SoundctlClientSide, QuotedFileNamesKeepTheirBlanks) {
    const fs::path script = root / "quoted.soundctl";
    writeText(script, "load-sample --slot 1 --file 'My Sounds\\a b.wav'\n");
    std::vector<std::vector<std::uint8_t>> taken;
    const Finished finished = serve(withDir({"run", script.string()}), taken);
    EXPECT_EQ(finished.exitCode, 0) << finished.err;
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(firstDifference(taken[0],
                              bytesOf(CommandBytes(3).put16(2, 1).putText("My Sounds\\a b.wav"))),
              "");
}

TEST_F(SoundctlClientSide, NoServerGivesAClearMessageAndWithdrawsTheCommand) {
    const Finished finished =
        runSoundctl(withDir({"--timeout", "200", "set-master-volume", "--volume", "50"}), root);
    EXPECT_EQ(finished.exitCode, 1);
    EXPECT_NE(finished.err.find("no server answered in '" + dir.string() + "' within 200 ms"),
              std::string::npos)
        << finished.err;
    EXPECT_FALSE(fs::exists(dir / "TILVO.QBS")) << "a later server would carry it out";
}

TEST_F(SoundctlClientSide, APendingSignalIsNeverOverwritten) {
    writeText(dir / "TILVO.QBS", "");
    writeText(dir / "TILVO.QBW", "someone else's command");
    const Finished finished =
        runSoundctl(withDir({"--timeout", "200", "set-master-volume", "--volume", "50"}), root);
    EXPECT_EQ(finished.exitCode, 1);
    EXPECT_NE(finished.err.find("a command is still pending"), std::string::npos) << finished.err;
    EXPECT_EQ(readText(dir / "TILVO.QBW"), "someone else's command");
}

TEST_F(SoundctlClientSide, EverySubcommandHasHelp) {
    const Finished list = runSoundctl({"--help"}, root);
    EXPECT_EQ(list.exitCode, 0);
    std::vector<std::string> names;
    std::istringstream lines(list.out);
    std::string line;
    bool inCommands = false;
    while (std::getline(lines, line)) {
        if (line.starts_with("Commands"))
            inCommands = true;
        else if (inCommands && line.starts_with("  "))
            names.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    EXPECT_EQ(names.size(), 34u + 3u) << list.out; // codes 0..36 less the gaps, raw, run, serve
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const Finished help = runSoundctl({name, "--help"}, root);
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.starts_with("usage: soundctl " + name)) << help.out;
    }
}

} // namespace
