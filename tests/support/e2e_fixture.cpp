#include "tests/support/e2e_fixture.h"

#include "tests/support/sound_files.h"

void RealServer::SetUp() {
    root = makeScratchDir("soundserver-e2e");
    dir = root / "work";
    std::filesystem::create_directories(dir);
}

void RealServer::TearDown() {
    killServer(server);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

void RealServer::start(const std::vector<std::string>& extraEnvironment) {
    std::vector<std::string> environment{"ALSOFT_DRIVERS=null",
                                         std::string("ALSOFT_CONF=") + TEST_ALSOFT_CONF};
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    auto started = startServer(SOUNDSERVER_BINARY, dir, environment);
    ASSERT_TRUE(started.has_value());
    server = *started;
}

ExchangeResult RealServer::send(const CommandBytes& command, int timeoutMs) {
    ExchangeOptions options;
    options.dir = dir;
    options.timeoutMs = timeoutMs;
    return exchange(command, options);
}

ExchangeResult RealServer::open(std::uint32_t frequency, std::uint32_t flags) {
    return send(CommandBytes(0).put32(2, frequency).put32(6, flags));
}

int RealServer::quit() {
    const ExchangeResult result = send(CommandBytes(1), 20000);
    EXPECT_TRUE(result.acknowledged);
    const auto code = waitForExit(server, 10000);
    return code.value_or(-1);
}

bool RealServer::exists(const std::string& name) const {
    return std::filesystem::exists(dir / name);
}
