#include "tools/script_runner.h"

#include "tools/field_values.h"
#include "tools/reply_decoding.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

namespace {

enum class StepKind { Command, Sleep, Expect };

struct ScriptStep {
    int line = 0;
    StepKind kind = StepKind::Command;
    PreparedCommand command;
    GlobalOptions options;
    int sleepMs = 0;
    std::vector<std::string> words; // of an expect line, after "expect"
};

constexpr int SLEEP_LIMIT_MS = 3'600'000;
constexpr int QUIT_TIMEOUT_MS = 20'000;
constexpr int EXIT_WAIT_MS = 10'000;
constexpr int EXIT_AFTER_QUIT = 1;
constexpr std::uint16_t QUIT_CODE = 1;

std::string where(const std::filesystem::path& file, int line) {
    return file.string() + ":" + std::to_string(line) + ": ";
}

// Parses every line first, so that a mistake late in the script is found
// before any command reaches the server.
bool parseScript(const std::filesystem::path& file, const GlobalOptions& base,
                 std::vector<ScriptStep>& steps) {
    std::ifstream input(file);
    if (!input) {
        std::fprintf(stderr, "soundctl: cannot read the script '%s'\n", file.c_str());
        return false;
    }
    std::string text;
    int line = 0;
    while (std::getline(input, text)) {
        ++line;
        std::vector<std::string> words;
        std::string problem = splitScriptLine(text, words);
        ScriptStep step;
        step.line = line;
        step.options = base;
        if (problem.empty() && !words.empty())
            problem = takeGlobalOptions(words, step.options);
        if (problem.empty() && words.empty())
            continue;
        if (problem.empty() && words[0] == "sleep") {
            step.kind = StepKind::Sleep;
            const auto ms =
                words.size() == 2 ? parseUnsigned(words[1], SLEEP_LIMIT_MS) : std::nullopt;
            if (!ms)
                problem = "sleep takes one number of milliseconds";
            else
                step.sleepMs = static_cast<int>(*ms);
        } else if (problem.empty() && words[0] == "expect") {
            step.kind = StepKind::Expect;
            step.words.assign(words.begin() + 1, words.end());
            problem = checkExpectationForm(step.words);
        } else if (problem.empty() && (words[0] == "run" || words[0] == "serve")) {
            problem = words[0] + " cannot be used inside a script";
        } else if (problem.empty()) {
            problem = parseCommand(words, step.command);
        }
        if (!problem.empty()) {
            std::fprintf(stderr, "%s%s\n", where(file, line).c_str(), problem.c_str());
            return false;
        }
        steps.push_back(std::move(step));
    }
    return true;
}

struct RunState {
    std::optional<Answer> lastAnswer;
    bool anyAcknowledged = false;
    bool quitAcknowledged = false;
};

bool runStep(const std::filesystem::path& file, const ScriptStep& step, RunState& state,
             const std::optional<ServerProcess>& server) {
    const std::string at = where(file, step.line);
    switch (step.kind) {
    case StepKind::Sleep:
        std::this_thread::sleep_for(std::chrono::milliseconds(step.sleepMs));
        return true;
    case StepKind::Expect: {
        if (!state.lastAnswer) {
            std::fprintf(stderr, "%sexpect: no command has answered yet\n", at.c_str());
            return false;
        }
        const std::string problem = checkExpectation(*state.lastAnswer, step.words);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s%s\n", at.c_str(), problem.c_str());
            return false;
        }
        if (step.options.verbose)
            std::printf("%sexpectation held\n", at.c_str());
        return true;
    }
    case StepKind::Command:
        break;
    }
    const PreparedCommand& command = step.command;
    if (step.options.printBlock || step.options.dryRun)
        std::printf("%s%s\n%s", at.c_str(), command.name().c_str(), blockDump(command).c_str());
    if (step.options.dryRun)
        return true;
    const SendOutcome outcome = sendCommand(command, step.options);
    if (!outcome.acknowledged) {
        std::string problem = outcome.problem;
        if (server) {
            ServerProcess copy = *server;
            if (const auto code = waitForExit(copy, 0))
                problem = command.name() + " was not acknowledged: " + describeExit(*code);
        }
        std::fprintf(stderr, "%s%s\n", at.c_str(), problem.c_str());
        return false;
    }
    state.anyAcknowledged = true;
    if (command.code() == QUIT_CODE)
        state.quitAcknowledged = true;
    if (step.options.verbose)
        std::printf("%s%s acknowledged in %.2f ms\n", at.c_str(), command.name().c_str(),
                    outcome.roundTripMs);
    if (replyKindOf(command) == ReplyKind::None)
        return true;
    if (!outcome.reply) {
        std::fprintf(stderr, "%s%s was acknowledged but the reply file is missing or short\n",
                     at.c_str(), command.name().c_str());
        return false;
    }
    state.lastAnswer = answerOf(command, *outcome.reply);
    std::printf("%s%s: %s\n", at.c_str(), state.lastAnswer->command.c_str(),
                describeAnswer(*state.lastAnswer).c_str());
    return true;
}

// Sees a server that the run started to its end: quit when the script did
// not, then wait for the process. A server that never took a command is
// still waiting for its opening command, which quit cannot be: it is ended.
bool finishServer(ServerProcess& server, const GlobalOptions& options, const RunState& state) {
    if (!state.anyAcknowledged) {
        killServer(server);
        return true;
    }
    if (!state.quitAcknowledged && !waitForExit(server, 0)) {
        GlobalOptions quitOptions = options;
        quitOptions.timeoutMs = QUIT_TIMEOUT_MS;
        PreparedCommand quit;
        quit.bytes = CommandBytes(QUIT_CODE);
        sendCommand(quit, quitOptions);
    }
    const auto code = waitForExit(server, EXIT_WAIT_MS);
    if (!code) {
        killServer(server);
        std::fprintf(stderr, "soundctl: the server did not end after quit; it was killed\n");
        return false;
    }
    if (*code != EXIT_AFTER_QUIT) {
        std::fprintf(stderr, "soundctl: %s\n", describeExit(*code).c_str());
        return false;
    }
    if (options.verbose)
        std::printf("%s\n", describeExit(*code).c_str());
    return true;
}

} // namespace

std::string splitScriptLine(const std::string& line, std::vector<std::string>& words) {
    words.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        std::string word;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            const char quote = line[i];
            if (quote != '"' && quote != '\'') {
                word += line[i++];
                continue;
            }
            const std::size_t close = line.find(quote, i + 1);
            if (close == std::string::npos)
                return std::string("unterminated ") + quote + " quote";
            word += line.substr(i + 1, close - i - 1);
            i = close + 1;
        }
        words.push_back(std::move(word));
    }
    return {};
}

int runScript(const std::filesystem::path& file, const GlobalOptions& options,
              const std::optional<LaunchOptions>& launch) {
    std::vector<ScriptStep> steps;
    if (!parseScript(file, options, steps))
        return 2;
    std::optional<ServerProcess> server;
    if (launch && !options.dryRun) {
        std::string problem;
        server = launchServer(options.dir, *launch, problem);
        if (!server) {
            std::fprintf(stderr, "soundctl: %s\n", problem.c_str());
            return 1;
        }
    }
    RunState state;
    bool passed = true;
    for (const ScriptStep& step : steps) {
        if (!runStep(file, step, state, server)) {
            passed = false;
            break;
        }
    }
    if (server && !finishServer(*server, options, state))
        passed = false;
    return passed ? 0 : 1;
}
