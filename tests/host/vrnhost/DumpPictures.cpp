#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/host/vrnhost/HostFiles.h"
#include "tests/host/vrnhost/HostModes.h"

namespace vrnhost {
namespace {

void Put16(std::vector<unsigned char>& out, unsigned v) {
  out.push_back(static_cast<unsigned char>(v));
  out.push_back(static_cast<unsigned char>(v >> 8));
}
void Put32(std::vector<unsigned char>& out, unsigned long v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// Writes the two delivered blocks as a BMP file (file header, the
// BITMAPINFO block, the bits block) and frees them as a host does.
bool SaveDelivered(TSusieLibrary& lib, THostBlock info, THostBlock bits, const std::string& path) {
  const size_t infoSize = lib.Size(info), bitsSize = lib.Size(bits);
  const void* infoBytes = lib.Lock(info);
  const void* bitsBytes = lib.Lock(bits);
  bool ok = infoBytes != nullptr && bitsBytes != nullptr;
  if (ok) {
    std::vector<unsigned char> file;
    Put16(file, 0x4D42);  // "BM"
    Put32(file, static_cast<unsigned long>(14 + infoSize + bitsSize));
    Put32(file, 0);
    Put32(file, static_cast<unsigned long>(14 + infoSize));
    const auto* i = static_cast<const unsigned char*>(infoBytes);
    const auto* b = static_cast<const unsigned char*>(bitsBytes);
    file.insert(file.end(), i, i + infoSize);
    file.insert(file.end(), b, b + bitsSize);
    ok = WriteWholeFile(path, file.data(), file.size());
  }
  lib.Unlock(info);
  lib.Unlock(bits);
  lib.Free(info);
  lib.Free(bits);
  return ok;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\:");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

int DumpPictures(TSusieLibrary& lib, const std::string& outDir, const std::vector<std::string>& files,
                 bool fromMemory, bool wide) {
  int failures = 0;
  if (wide && (lib.GetPictureInfoW == nullptr || lib.GetPictureW == nullptr || lib.GetPreviewW == nullptr)) {
    std::printf("the library has no W entry points\n");
    return static_cast<int>(files.size()) * 3;
  }
  for (const std::string& path : files) {
    std::vector<char> bytes;
    if (fromMemory) {
      std::ifstream in(path, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::u16string widePath = WideFromHostText(path);
    const char* buf = fromMemory ? bytes.data() : path.c_str();
    // The W calls take memory input as bytes and a file name in UTF-16.
    const char16_t* wideBuf =
        fromMemory ? reinterpret_cast<const char16_t*>(bytes.data()) : widePath.c_str();
    const intptr_t len = fromMemory ? static_cast<intptr_t>(bytes.size()) : 0;
    const unsigned flag = fromMemory ? 1 : 0;
    const std::string base = outDir + "/" + BaseName(path);

    vorn::SusiePictureInfo info;
    std::memset(&info, 0, sizeof info);
    const int infoResult =
        wide ? lib.GetPictureInfoW(wideBuf, len, flag, &info) : lib.GetPictureInfo(buf, len, flag, &info);
    if (infoResult == 0) {
      std::printf("%s: GetPictureInfo%s %dx%d, %d bpp\n", path.c_str(), wide ? "W" : "", info.width,
                  info.height, info.colorDepth);
    } else {
      std::printf("%s: GetPictureInfo%s %d\n", path.c_str(), wide ? "W" : "", infoResult);
      ++failures;
    }
    const struct {
      TGetPicture Call;
      TGetPictureW CallW;
      const char* Name;
      std::string Out;
    } calls[] = {{lib.GetPicture, lib.GetPictureW, wide ? "GetPictureW" : "GetPicture", base + ".bmp"},
                 {lib.GetPreview, lib.GetPreviewW, wide ? "GetPreviewW" : "GetPreview", base + ".preview.bmp"}};
    for (const auto& call : calls) {
      THostBlock hInfo = nullptr, hBm = nullptr;
      const int result = wide ? call.CallW(wideBuf, len, flag, &hInfo, &hBm, nullptr, 0)
                              : call.Call(buf, len, flag, &hInfo, &hBm, nullptr, 0);
      if (result == 0 && SaveDelivered(lib, hInfo, hBm, call.Out)) {
        std::printf("%s: %s -> %s\n", path.c_str(), call.Name, call.Out.c_str());
      } else {
        std::printf("%s: %s %d\n", path.c_str(), call.Name, result);
        // A failed call may still have handed over a block.
        if (result != 0 && hInfo != nullptr) lib.Free(hInfo);
        if (result != 0 && hBm != nullptr) lib.Free(hBm);
        ++failures;
      }
    }
  }
  std::fflush(stdout);
  return failures;
}

}  // namespace vrnhost
