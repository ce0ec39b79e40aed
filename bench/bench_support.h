// What every benchmark shares: summaries of timings, a table printed and
// written as CSV into bench/results/, process CPU time and memory from
// /proc, and the server's environment for a run without speakers.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

struct Summary {
    double median = 0.0;
    double p99 = 0.0;
    double mean = 0.0;
    double min = 0.0;
};

Summary summarize(std::vector<double> values);

struct Table {
    std::string title;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

void printTable(const Table& table);

// Writes the table as CSV into the results folder; returns the file's path,
// or an empty path when it cannot be written.
std::filesystem::path writeCsv(const Table& table, const std::string& fileName);

// bench/results/ in the source tree, or $BENCH_RESULTS when set.
std::filesystem::path resultsDir();

std::string fixed(double value, int decimals);

// User plus system CPU seconds of a process, from /proc/PID/stat.
double processCpuSeconds(pid_t pid);
// The same for one thread of a process, from /proc/PID/task/TID/stat.
double threadCpuSeconds(pid_t pid, pid_t tid);
// CPU seconds this process has used, all threads.
double selfCpuSeconds();
// VmRSS of a process in bytes, from /proc/PID/status; 0 when unknown.
long long residentBytes(pid_t pid);

double nowSeconds();

// ALSOFT_DRIVERS (null unless $BENCH_ALSOFT_DRIVERS names another backend)
// and the tests' OpenAL Soft configuration.
std::vector<std::string> serverEnvironment();

// The value of "--name N" among the arguments, or the fallback.
double numberOption(int argc, char** argv, const std::string& name, double fallback);
