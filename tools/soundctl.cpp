// soundctl: a command-line client of the sound server, for people who write
// or debug a client. One subcommand per command code, a raw block, scripts,
// and a way to start a server.
#include "tools/command_line.h"
#include "tools/reply_decoding.h"
#include "tools/script_runner.h"
#include "tools/session.h"
#include "tools/usage.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_AFTER_QUIT = 1;
// waitForExit takes a bounded wait; serve waits in rounds of this length.
constexpr int SERVE_WAIT_ROUND_MS = 60'000;

int usageError(const std::string& problem) {
    std::fprintf(stderr, "soundctl: %s\n", problem.c_str());
    return EXIT_USAGE;
}

bool wantsHelp(const std::vector<std::string>& words) {
    return std::find_if(words.begin(), words.end(), [](const std::string& word) {
               return word == "--help" || word == "-h";
           }) != words.end();
}

int sendOne(const std::vector<std::string>& words, const GlobalOptions& options) {
    PreparedCommand command;
    if (std::string problem = parseCommand(words, command); !problem.empty())
        return usageError(problem);
    if (options.printBlock || options.dryRun)
        std::printf("%s\n%s", command.name().c_str(), blockDump(command).c_str());
    if (options.dryRun)
        return EXIT_OK;
    const SendOutcome outcome = sendCommand(command, options);
    if (!outcome.acknowledged) {
        std::fprintf(stderr, "soundctl: %s: %s\n", command.name().c_str(), outcome.problem.c_str());
        return EXIT_FAILED;
    }
    if (options.verbose)
        std::printf("%s acknowledged in %.2f ms\n", command.name().c_str(), outcome.roundTripMs);
    if (replyKindOf(command) == ReplyKind::None)
        return EXIT_OK;
    if (!outcome.reply) {
        std::fprintf(stderr, "soundctl: %s was acknowledged but the reply file is missing\n",
                     command.name().c_str());
        return EXIT_FAILED;
    }
    const Answer answer = answerOf(command, *outcome.reply);
    std::printf("%s: %s\n", answer.command.c_str(), describeAnswer(answer).c_str());
    return EXIT_OK;
}

int run(std::vector<std::string> words, const GlobalOptions& options) {
    if (wantsHelp(words)) {
        printRunHelp();
        return EXIT_OK;
    }
    LaunchOptions launch;
    if (std::string problem = takeLaunchOptions(words, launch); !problem.empty())
        return usageError(problem);
    const auto start = std::find(words.begin(), words.end(), "--start");
    const bool startServer = start != words.end();
    if (startServer)
        words.erase(start);
    if (words.size() != 2)
        return usageError("run takes one script file (soundctl run --help)");
    if (!startServer && (!launch.binary.empty() || !launch.environment.empty()))
        return usageError("--binary and --env go with --start");
    return runScript(words[1], options,
                     startServer ? std::optional<LaunchOptions>(launch) : std::nullopt);
}

int serve(std::vector<std::string> words, const GlobalOptions& options) {
    if (wantsHelp(words)) {
        printServeHelp();
        return EXIT_OK;
    }
    LaunchOptions launch;
    if (std::string problem = takeLaunchOptions(words, launch); !problem.empty())
        return usageError(problem);
    const auto detachWord = std::find(words.begin(), words.end(), "--detach");
    const bool detach = detachWord != words.end();
    if (detach)
        words.erase(detachWord);
    if (words.size() != 1)
        return usageError("unexpected '" + words[1] + "' (soundctl serve --help)");
    std::string problem;
    auto server = launchServer(options.dir, launch, problem);
    if (!server) {
        std::fprintf(stderr, "soundctl: %s\n", problem.c_str());
        return EXIT_FAILED;
    }
    if (detach) {
        std::printf("%d\n", static_cast<int>(server->pid));
        return EXIT_OK;
    }
    std::fprintf(stderr,
                 "soundctl: the server runs in '%s' (process %d); end it with: soundctl --dir "
                 "'%s' quit\n",
                 options.dir.c_str(), static_cast<int>(server->pid), options.dir.c_str());
    for (;;) {
        if (const auto code = waitForExit(*server, SERVE_WAIT_ROUND_MS)) {
            std::fprintf(stderr, "soundctl: %s\n", describeExit(*code).c_str());
            return *code == EXIT_AFTER_QUIT ? EXIT_OK : EXIT_FAILED;
        }
        if (server->pid <= 0)
            return EXIT_FAILED;
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    GlobalOptions options;
    if (std::string problem = takeGlobalOptions(words, options); !problem.empty())
        return usageError(problem);
    if (words.empty()) {
        printGeneralHelp();
        return EXIT_USAGE;
    }
    const std::string& name = words[0];
    if (name == "--help" || name == "-h" || name == "help") {
        if (words.size() > 1 && findCommand(words[1]) != nullptr)
            printCommandHelp(*findCommand(words[1]));
        else
            printGeneralHelp();
        return EXIT_OK;
    }
    if (name == "run")
        return run(words, options);
    if (name == "serve")
        return serve(words, options);
    if (wantsHelp(words)) {
        if (name == "raw") {
            printRawHelp();
            return EXIT_OK;
        }
        const CommandSpec* command = findCommand(name);
        if (command == nullptr)
            return usageError("unknown command '" + name + "' (soundctl --help lists them)");
        printCommandHelp(*command);
        return EXIT_OK;
    }
    return sendOne(words, options);
}
