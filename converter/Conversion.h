// One input of vrnconv from start to finish: opened through libvorn, its
// information printed, its picture or pictures made and written safely.
// Every problem is reported on standard error as "vrnconv: PATH: reason"
// with the path that failed, input or output.
#pragma once

#include <cstdio>
#include <string>

#include "converter/Options.h"

namespace vorn::tools {

class TConversion {
 public:
  explicit TConversion(const TOptions& options) : options_(options) {}

  // Converts one input ("-": standard input); false when anything failed.
  bool Run(const std::string& input);

  // "vrnconv: PATH: text" on standard error; warnings only without -q.
  void Report(const std::string& path, const std::string& text) const;
  void Warn(const std::string& path, const std::string& text) const;

 private:
  const TOptions& options_;
};

// Writes bytes to standard output; false when it cannot.
bool WriteStandardOutput(const void* bytes, size_t size);
// Whether the stream is a terminal that takes the progress line's escapes
// (never on Windows, whose consoles may not).
bool IsTerminal(std::FILE* file);

}  // namespace vorn::tools
