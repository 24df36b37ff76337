// vrnhost_e2e: the end-to-end run of a plug-in library, loaded by its file
// name and called only through its exports, as a host does.
//
//   vrnhost_e2e LIBRARY WORKDIR [--examples DIR] [--hostile] [--compare RESULTS]...
//               [--load-cycles N] [--archive ARCHIVE-LIBRARY]
//
// Writes the case files and WORKDIR/results.txt (one line per call with
// the result and digests of the delivered blocks), checks every call
// against what the fixture writer says it must deliver, and compares the
// results with those of other builds' runs (a missing results file is
// skipped). --load-cycles first loads and unloads the library N times (see
// LoadCycles.h). --archive runs the same files (and the hostile files)
// through the archive plug-in too. Exit status 0 when nothing failed.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/host/vrnhost/SusieLibrary.h"
#include "tests/host/e2e/EndToEndCases.h"
#include "tests/host/e2e/LibraryRuns.h"
#include "tests/host/e2e/LoadCycles.h"
#include "platform/SettingsStore.h"
#include "platform/Screen.h"

namespace {

using namespace vorn::e2e;

int Usage() {
  std::fprintf(stderr,
               "usage: vrnhost_e2e LIBRARY WORKDIR [--examples DIR] [--hostile] [--compare RESULTS]...\n"
               "                   [--load-cycles N] [--archive ARCHIVE-LIBRARY]\n");
  return 2;
}

// Compares this run with another build's: every call both made must agree
// byte for byte. Sheets depend on the screen, so on another screen only the
// previews are compared.
int Compare(const std::string& path, const std::string& screen, const TResults& ours) {
  std::string theirScreen;
  TResults theirs;
  if (!ReadResults(path, &theirScreen, &theirs)) {
    std::printf("compare: no results at %s, skipped\n", path.c_str());
    return 0;
  }
  const bool sameScreen = theirScreen == screen;
  int equal = 0, differ = 0;
  for (const auto& [key, value] : theirs) {
    if (!sameScreen && key.find("GetPreview") == std::string::npos) continue;
    const auto at = ours.find(key);
    if (at == ours.end()) continue;
    if (at->second == value) {
      ++equal;
    } else {
      ++differ;
      std::printf("FAILED %s: %s here, %s in %s\n", key.c_str(), at->second.c_str(), value.c_str(),
                  path.c_str());
    }
  }
  std::printf("compare: %d calls equal, %d differ with %s%s\n", equal, differ, path.c_str(),
              sameScreen ? "" : " (another screen: previews only)");
  return equal > 0 && differ == 0 ? 0 : 1;
}

int Main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string library = argv[1], workDir = argv[2];
  std::string examples, archive;
  bool hostileFiles = false;
  int loadCycles = 0;
  std::vector<std::string> compare;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--examples" && i + 1 < argc) {
      examples = argv[++i];
    } else if (arg == "--hostile") {
      hostileFiles = true;
    } else if (arg == "--compare" && i + 1 < argc) {
      compare.push_back(argv[++i]);
    } else if (arg == "--load-cycles" && i + 1 < argc) {
      loadCycles = std::atoi(argv[++i]);
    } else if (arg == "--archive" && i + 1 < argc) {
      archive = argv[++i];
    } else {
      return Usage();
    }
  }
  std::filesystem::create_directories(workDir);
  // Before the library is loaded for the rest of the run: each cycle must
  // really unload it.
  const int cycleProblems = loadCycles > 0 ? RunLoadCycles(library, loadCycles, archive, workDir) : 0;
  vrnhost::TSusieLibrary lib(library);
  const vorn::platform::TScreenSize screen = vorn::platform::ScreenSize();
  const std::string screenText = std::to_string(screen.Width) + "x" + std::to_string(screen.Height);
  std::printf("library %s, screen %s, wide entry points %s\n", library.c_str(), screenText.c_str(),
              lib.GetPictureW != nullptr ? "present" : "absent");

  const std::vector<TEndToEndCase> cases = EndToEndCases(screen.Width, screen.Height, examples);
  TLibraryRuns runs(lib, workDir);
  TRunTally tally = runs.RunCases(cases);
  const auto add = [&](const TRunTally& t) {
    tally.Calls += t.Calls;
    tally.Problems += t.Problems;
  };
  if (sizeof(void*) == 4) add(runs.RunOutOfMemory(cases.front()));
  if (hostileFiles) add(runs.RunHostileFiles());
  if (!archive.empty()) {
    vrnhost::TSusieLibrary frames(archive);
    add(runs.RunArchive(frames, cases, hostileFiles));
  }
  // Leave the settings as a fresh installation has them.
  vorn::platform::WriteSetting("Susie", "MultiImage", "1");
  vorn::platform::WriteSetting("Common", "PassCode", "0");

  WriteResults(workDir + "/results.txt", screen.Width, screen.Height, runs.Results());
  std::printf("e2e: %zu cases, %d calls, %d failed\n", cases.size(), tally.Calls, tally.Problems);
  int status = tally.Problems == 0 && cycleProblems == 0 ? 0 : 1;
  for (const std::string& other : compare)
    if (Compare(other, screenText, runs.Results()) != 0) status = 1;
  std::fflush(stdout);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vrnhost_e2e: %s\n", e.what());
    return 2;
  }
}
