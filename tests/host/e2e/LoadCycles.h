// Loading and unloading the plug-in many times in one process, as a host
// that loads it per file does: nothing a load or a picture call takes from
// the process (thread-local storage indexes, handles, file descriptors) may
// stay behind once the library is unloaded.
#pragma once

#include <string>

namespace vorn::e2e {

// cycles times: load the library by its file name, GetPicture on a small
// file in memory, free both blocks, unload. Prints what the process holds
// after the first and after the last cycle; returns the number of problems
// (a difference, or a cycle that failed). Given an archive library, each
// cycle also loads it, lists that file (written into workDir), extracts an
// entry and unloads it.
int RunLoadCycles(const std::string& library, int cycles, const std::string& archive,
                  const std::string& workDir);

}  // namespace vorn::e2e
