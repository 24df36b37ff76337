#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/host/vrnhost/HostModes.h"

namespace vrnhost {

int TimePictures(TSusieLibrary& lib, int rounds, const std::vector<std::string>& files,
                 bool fromMemory) {
  int failures = 0;
  for (const std::string& path : files) {
    std::vector<char> bytes;
    if (fromMemory) {
      std::ifstream in(path, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const char* buf = fromMemory ? bytes.data() : path.c_str();
    const auto len = static_cast<intptr_t>(fromMemory ? bytes.size() : 0);
    std::vector<double> ms;
    for (int round = 0; round < rounds; ++round) {
      THostBlock info = nullptr, bits = nullptr;
      const auto start = std::chrono::steady_clock::now();
      const int result = lib.GetPicture(buf, len, fromMemory ? 1 : 0, &info, &bits, nullptr, 0);
      const auto end = std::chrono::steady_clock::now();
      // Freeing the delivered blocks is the host's work, not timed.
      if (info != nullptr) lib.Free(info);
      if (bits != nullptr) lib.Free(bits);
      if (result != 0) {
        std::printf("%s: GetPicture %d\n", path.c_str(), result);
        ++failures;
        break;
      }
      ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    if (ms.empty()) continue;
    std::sort(ms.begin(), ms.end());
    std::printf("%s: GetPicture %s input, %zu calls: fastest %.1f ms, median %.1f ms\n",
                path.c_str(), fromMemory ? "memory" : "file", ms.size(), ms.front(),
                ms[ms.size() / 2]);
  }
  return failures;
}

}  // namespace vrnhost
