#include "tests/host/e2e/LoadCycles.h"

#include <cstdio>
#include <iterator>
#include <vector>

#include "tests/host/vrnhost/HostFiles.h"
#include "tests/host/vrnhost/SusieLibrary.h"
#include "tests/fixtures/VrnFixtureBuilders.h"
#include "tests/fixtures/VrnWriter.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <filesystem>
#endif

namespace vorn::e2e {
namespace {

// What the process holds that a leaking library would use up: the first
// free TLS index and the handles (Windows), or the open file descriptors.
struct THeld {
  long long TlsIndex = -1, Handles = 0;
  bool operator==(const THeld&) const = default;
};

THeld Held() {
  THeld held;
#if defined(_WIN32)
  held.TlsIndex = TlsAlloc();
  TlsFree(static_cast<DWORD>(held.TlsIndex));
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0) {
    held.Handles = handles;
  } else {  // Wine answers 0: count the values that name an open handle
    for (uintptr_t value = 4; value < 0x10000; value += 4)
      if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &handles)) ++held.Handles;
  }
#else
  held.Handles = std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                               std::filesystem::directory_iterator());
#endif
  return held;
}

// One load, picture call and unload (and archive calls on the file at
// path); false when a call did not deliver.
bool Cycle(const std::string& library, const std::vector<uint8_t>& file, const std::string& archive,
           const std::string& path) {
  vrnhost::TSusieLibrary lib(library);
  vrnhost::THostBlock info = nullptr, bits = nullptr;
  const int result = lib.GetPicture(reinterpret_cast<const char*>(file.data()),
                                    static_cast<intptr_t>(file.size()), 1, &info, &bits, nullptr, 0);
  if (info != nullptr) lib.Free(info);
  if (bits != nullptr) lib.Free(bits);
  if (archive.empty()) return result == 0 && info != nullptr && bits != nullptr;
  vrnhost::TSusieLibrary frames(archive);
  vrnhost::THostBlock list = nullptr, entry = nullptr;
  const int listed = frames.GetArchiveInfo(path.c_str(), 0, 0, &list);
  const int got = frames.GetFile(path.c_str(), 1, reinterpret_cast<char*>(&entry), 0x100, nullptr, 0);
  if (list != nullptr) frames.Free(list);
  if (entry != nullptr) frames.Free(entry);
  return result == 0 && info != nullptr && bits != nullptr && listed == 0 && got == 0 && entry != nullptr;
}

}  // namespace

int RunLoadCycles(const std::string& library, int cycles, const std::string& archive,
                  const std::string& workDir) {
  const std::vector<uint8_t> file = fixtures::WriteVrn(fixtures::MakeSimpleFile(16, 12, 24, 2));
  const std::string path = workDir + "/load-cycles.vrn";
  if (!archive.empty() && !vrnhost::WriteWholeFile(path, file.data(), file.size())) return 1;
  THeld first;
  int failed = 0;
  for (int i = 1; i <= cycles; ++i) {
    if (!Cycle(library, file, archive, path)) ++failed;
    if (i == 1) first = Held();
  }
  const THeld last = Held();
#if defined(_WIN32)
  std::printf("load cycles: %d (%d calls failed); after the first and the last: first free TLS index "
              "%lld and %lld, handles %lld and %lld\n",
              cycles, failed, first.TlsIndex, last.TlsIndex, first.Handles, last.Handles);
#else
  std::printf("load cycles: %d (%d calls failed); after the first and the last: open file descriptors "
              "%lld and %lld\n",
              cycles, failed, first.Handles, last.Handles);
#endif
  if (!(first == last)) std::printf("FAILED load cycles: the loads left something behind\n");
  return (first == last ? 0 : 1) + (failed > 0 ? 1 : 0);
}

}  // namespace vorn::e2e
