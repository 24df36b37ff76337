// vrnhost's modes besides the checks.
#pragma once

#include <string>
#include <vector>

#include "tests/host/vrnhost/SusieLibrary.h"

namespace vrnhost {

// Asks the library for each file's picture information, picture and preview
// (file input, or memory input when fromMemory) and writes the delivered
// blocks to outDir as <name>.bmp and <name>.preview.bmp; through the W entry
// points (the file name in UTF-16) when wide. Returns the number of calls
// that failed.
int DumpPictures(TSusieLibrary& library, const std::string& outDir,
                 const std::vector<std::string>& files, bool fromMemory, bool wide = false);

// Times rounds GetPicture calls on each file (file input, or memory input
// when fromMemory), wall clock, and prints the fastest and the median.
// Returns the number of files whose call failed.
int TimePictures(TSusieLibrary& library, int rounds, const std::vector<std::string>& files,
                 bool fromMemory);

// The settings dialog session driven from outside (Windows): runs one
// ConfigurationDlg call per command file the driver drops into dir and logs
// what it shows. Returns the process exit code.
int RunDialogSession(TSusieLibrary& library, const std::string& dir);

}  // namespace vrnhost
