// The command line of a benchmark program: three runs of each benchmark,
// shown as their aggregates, unless the caller asks for another count.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace vorn::bench {

inline std::vector<char*> WithRepetitions(int argc, char** argv) {
  static char repetitions[] = "--benchmark_repetitions=3";
  static char aggregates[] = "--benchmark_display_aggregates_only=true";
  std::vector<char*> args(argv, argv + argc);
  if (std::none_of(args.begin(), args.end(),
                   [](const char* a) { return std::strncmp(a, "--benchmark_repetitions", 23) == 0; }))
    args.insert(args.begin() + 1, {repetitions, aggregates});
  return args;
}

// Runs the registered benchmarks with that command line into reporter;
// false when the command line has arguments the library does not know.
inline bool RunWithRepetitions(int argc, char** argv, benchmark::BenchmarkReporter& reporter) {
  std::vector<char*> args = WithRepetitions(argc, argv);
  argc = static_cast<int>(args.size());
  benchmark::Initialize(&argc, args.data());
  if (benchmark::ReportUnrecognizedArguments(argc, args.data())) return false;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  return true;
}

}  // namespace vorn::bench
