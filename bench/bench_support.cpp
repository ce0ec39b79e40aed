#include "bench/bench_support.h"

#include "tests/support/sound_files.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <numbers>
#include <sstream>
#include <unistd.h>

Summary summarize(std::vector<double> values) {
    Summary summary;
    if (values.empty())
        return summary;
    std::sort(values.begin(), values.end());
    const auto at = [&](double fraction) {
        const auto index = static_cast<std::size_t>(
            std::ceil(fraction * static_cast<double>(values.size())) - 1.0);
        return values[std::min(index, values.size() - 1)];
    };
    summary.median = values.size() % 2 == 1
                         ? values[values.size() / 2]
                         : (values[values.size() / 2 - 1] + values[values.size() / 2]) / 2.0;
    summary.p99 = at(0.99);
    summary.min = values.front();
    double total = 0.0;
    for (double value : values)
        total += value;
    summary.mean = total / static_cast<double>(values.size());
    return summary;
}

void printTable(const Table& table) {
    std::vector<std::size_t> widths;
    for (const std::string& column : table.columns)
        widths.push_back(column.size());
    for (const auto& row : table.rows)
        for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    std::printf("\n%s\n", table.title.c_str());
    const auto printRow = [&](const std::vector<std::string>& row) {
        for (std::size_t c = 0; c < widths.size(); ++c) {
            const std::string& cell = c < row.size() ? row[c] : std::string();
            std::printf(c == 0 ? "%-*s" : "  %*s", static_cast<int>(widths[c]), cell.c_str());
        }
        std::printf("\n");
    };
    printRow(table.columns);
    std::size_t total = 0;
    for (std::size_t width : widths)
        total += width + 2;
    std::printf("%s\n", std::string(total - 2, '-').c_str());
    for (const auto& row : table.rows)
        printRow(row);
    std::fflush(stdout);
}

std::filesystem::path resultsDir() {
    if (const char* chosen = std::getenv("BENCH_RESULTS"); chosen != nullptr && *chosen != 0)
        return chosen;
    return BENCH_RESULTS_DIR;
}

std::filesystem::path writeCsv(const Table& table, const std::string& fileName) {
    std::error_code error;
    std::filesystem::create_directories(resultsDir(), error);
    const std::filesystem::path path = resultsDir() / fileName;
    std::ofstream output(path);
    if (!output)
        return {};
    // Plain cells without quoting, as gnuplot reads them: a comma in a cell
    // becomes a semicolon.
    const auto writeRow = [&](const std::vector<std::string>& row) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            std::string cell = row[c];
            std::replace(cell.begin(), cell.end(), ',', ';');
            output << (c == 0 ? "" : ",") << cell;
        }
        output << '\n';
    };
    writeRow(table.columns);
    for (const auto& row : table.rows)
        writeRow(row);
    return output ? path : std::filesystem::path();
}

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

namespace {

double statCpuSeconds(const std::string& path) {
    std::ifstream input(path);
    std::string text((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    // The command name may hold blanks; the fields that follow it are fixed.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0.0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14)
            utime = std::stoull(field);
        if (index == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

} // namespace

double processCpuSeconds(pid_t pid) {
    return statCpuSeconds("/proc/" + std::to_string(pid) + "/stat");
}

double threadCpuSeconds(pid_t pid, pid_t tid) {
    return statCpuSeconds("/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) +
                          "/stat");
}

double selfCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

long long residentBytes(pid_t pid) {
    std::ifstream input("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(input, line))
        if (line.starts_with("VmRSS:"))
            return std::stoll(line.substr(6)) * 1024;
    return 0;
}

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::vector<std::string> serverEnvironment() {
    const char* driver = std::getenv("BENCH_ALSOFT_DRIVERS");
    return {std::string("ALSOFT_DRIVERS=") + (driver != nullptr ? driver : "null"),
            std::string("ALSOFT_CONF=") + BENCH_ALSOFT_CONF};
}

double numberOption(int argc, char** argv, const std::string& name, double fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == "--" + name)
            return std::atof(argv[i + 1]);
    return fallback;
}
