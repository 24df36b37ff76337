// Runs files through a loaded plug-in library as a host does, by its
// exports only: the end-to-end cases through the ANSI and (where exported)
// the wide entry points, and the hostile files. Each run writes one line
// per call to a results log, so that runs of different builds can be
// compared byte for byte.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/host/vrnhost/SusieLibrary.h"
#include "tests/host/e2e/EndToEndCases.h"

namespace vorn::e2e {

struct TRunTally {
  int Calls = 0;
  int Problems = 0;
};

// "<case> <entry points> <call>" -> "<result> <what was delivered>".
using TResults = std::map<std::string, std::string>;

class TLibraryRuns {
 public:
  TLibraryRuns(vrnhost::TSusieLibrary& library, std::string workDir);

  // The end-to-end cases; every departure from an expectation, or between
  // the ANSI and wide entry points, is printed and counted.
  TRunTally RunCases(const std::vector<TEndToEndCase>& cases);

  // Every hostile file through the four calls (GetPicture with MultiImage
  // on and off, GetPreview, GetPictureInfo): the result is 0 or -1, a 0
  // comes with a well-formed picture, a -1 hands over nothing.
  TRunTally RunHostileFiles();

  // A 32-bit process: a file within the call's limit (raised for the test)
  // that needs more memory than the process has fails with -1, and the next
  // file opens.
  TRunTally RunOutOfMemory(const TEndToEndCase& next);

  // The archive plug-in after RunCases: the cases' files (see ArchiveRuns.cpp)
  // and the hostile files listed and extracted.
  TRunTally RunArchive(vrnhost::TSusieLibrary& archive, const std::vector<TEndToEndCase>& cases,
                       bool hostileFiles);

  const TResults& Results() const { return results_; }

 private:
  struct TDelivery {
    int Result = -1;
    TBlocks Blocks;
    bool HandedOverOnFailure = false;
  };
  void UseSettings(bool multiImage, int32_t passCode);
  TDelivery Deliver(const TEndToEndCase& c, bool wide, bool preview, const std::string& path);
  int Info(const TEndToEndCase& c, bool wide, const std::string& path, SusiePictureInfo* info);
  bool Problem(TRunTally& tally, const std::string& what);

  vrnhost::TSusieLibrary& lib_;
  std::string workDir_;
  TResults results_;
  bool haveSettings_ = false;
  bool multiImage_ = false;
  int32_t passCode_ = 0;
};

// "<size>:<sha-256> <size>:<sha-256>" of the header and pixel blocks.
std::string Digest(const TBlocks& blocks);
void SetEnvironment(const char* name, const char* value);  // null: removes the variable

// Writes results (with the screen they were made on) and reads them back.
void WriteResults(const std::string& path, int screenW, int screenH, const TResults& results);
bool ReadResults(const std::string& path, std::string* screen, TResults* results);

}  // namespace vorn::e2e
