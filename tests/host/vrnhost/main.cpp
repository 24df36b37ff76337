// vrnhost: a Susie host for testing. It loads the plug-in library by its
// file name and calls it only through its exports.
//
//   vrnhost LIBRARY [--data DIR] [--only NAME,...]  run the checks; exit 0 when all pass
//   vrnhost LIBRARY --list                          list the checks
//   vrnhost LIBRARY --dump OUTDIR [--mem] [--wide] FILE...
//                                                   write each file's delivered picture
//                                                   and preview to OUTDIR as BMP files
//                                                   (--wide: through the W entry points)
//   vrnhost LIBRARY --dialog-session DIR            (Windows) the dialog test's session
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "tests/host/vrnhost/HostChecks.h"
#include "tests/host/vrnhost/HostFiles.h"
#include "tests/host/vrnhost/HostModes.h"

namespace vrnhost {

bool TCheckContext::Expect(bool ok, const std::string& what) {
  if (ok) {
    ++Passed;
  } else {
    ++Failed;
    std::printf("FAILED %s: %s\n", Check.c_str(), what.c_str());
  }
  return ok;
}

namespace {

std::vector<TNamedCheck> AllChecks() {
  std::vector<TNamedCheck> all = ShellChecks();
  for (const TNamedCheck& check : WideChecks()) all.push_back(check);
  return all;
}

bool Selected(const std::string& only, const char* name) {
  if (only.empty()) return true;
  const std::string list = "," + only + ",";
  return list.find("," + std::string(name) + ",") != std::string::npos;
}

int RunChecks(TSusieLibrary& library, const std::string& dataDir, const std::string& only) {
  TCheckContext context{library, MakeScratchDirectory(), dataDir, {}, 0, 0};
  for (const TNamedCheck& check : AllChecks()) {
    if (!Selected(only, check.Name)) continue;
    context.Check = check.Name;
    const int failedBefore = context.Failed;
    try {
      check.Run(context);
    } catch (const std::exception& e) {
      context.Expect(false, std::string("exception: ") + e.what());
    }
    std::printf("%-28s %s\n", check.Name, context.Failed == failedBefore ? "ok" : "FAILED");
  }
  RemoveScratchDirectory(context.ScratchDir);
  std::printf("%d passed, %d failed\n", context.Passed, context.Failed);
  std::fflush(stdout);
  return context.Failed == 0 && context.Passed > 0 ? 0 : 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: vrnhost LIBRARY [--data DIR] [--only NAME,...]\n"
               "       vrnhost LIBRARY --list\n"
               "       vrnhost LIBRARY --dump OUTDIR [--mem] [--wide] FILE...\n"
               "       vrnhost LIBRARY --time ROUNDS [--mem] FILE...\n"
               "       vrnhost LIBRARY --dialog-session DIR\n");
  return 2;
}

int Main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::vector<std::string> args(argv + 2, argv + argc);
  TSusieLibrary library(argv[1]);

  if (!args.empty() && args[0] == "--list") {
    for (const TNamedCheck& check : AllChecks()) std::printf("%s\n", check.Name);
    return 0;
  }
  if (!args.empty() && args[0] == "--dump") {
    if (args.size() < 2) return Usage();
    size_t first = 2;
    bool fromMemory = false, wide = false;
    for (; first < args.size() && (args[first] == "--mem" || args[first] == "--wide"); ++first)
      (args[first] == "--mem" ? fromMemory : wide) = true;
    const std::vector<std::string> files(args.begin() + static_cast<std::ptrdiff_t>(first), args.end());
    return DumpPictures(library, args[1], files, fromMemory, wide) == 0 ? 0 : 1;
  }
  if (!args.empty() && args[0] == "--time") {
    if (args.size() < 3) return Usage();
    const int rounds = std::atoi(args[1].c_str());
    const bool fromMemory = args[2] == "--mem";
    const std::vector<std::string> files(args.begin() + (fromMemory ? 3 : 2), args.end());
    if (rounds <= 0 || files.empty()) return Usage();
    return TimePictures(library, rounds, files, fromMemory) == 0 ? 0 : 1;
  }
  if (!args.empty() && args[0] == "--dialog-session") {
    if (args.size() != 2) return Usage();
    return RunDialogSession(library, args[1]);
  }
  std::string dataDir, only;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--data" && i + 1 < args.size()) {
      dataDir = args[++i];
    } else if (args[i] == "--only" && i + 1 < args.size()) {
      only = args[++i];
    } else {
      return Usage();
    }
  }
  return RunChecks(library, dataDir, only);
}

}  // namespace
}  // namespace vrnhost

int main(int argc, char** argv) {
  try {
    return vrnhost::Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vrnhost: %s\n", e.what());
    return 2;
  }
}
