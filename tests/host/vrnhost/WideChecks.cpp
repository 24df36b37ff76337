// The Unicode entry points: GetPluginInfoW's texts, IsSupportedW on wide
// names, and the picture calls on a file whose name code page 932 cannot
// hold, compared with the ANSI calls on an ASCII-named copy.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include "tests/host/vrnhost/HostChecks.h"
#include "tests/host/vrnhost/HostFiles.h"

namespace vrnhost {
namespace {

using namespace std::string_literals;

constexpr int kSupported = -1;
constexpr int kNotSupported = 0;

// Greek and katakana are in code page 932; the Hangul syllable and the emoji
// (a surrogate pair) are not.
const std::u16string kWideName = u"\u03B1\u03B2\u03B3_\u30C6\u30B9\u30C8_\uD55C\U0001F600.vrn";

bool HasWideExports(TCheckContext& c) {
  const TSusieLibrary& lib = c.Library;
  return c.Expect(lib.GetPluginInfoW != nullptr && lib.IsSupportedW != nullptr &&
                      lib.GetPictureInfoW != nullptr && lib.GetPictureW != nullptr &&
                      lib.GetPreviewW != nullptr,
                  "the library exports the W entry points");
}

void WideExports(TCheckContext& c) {
  TSusieLibrary& lib = c.Library;
  for (const char* name : {"GetPluginInfoW", "IsSupportedW", "GetPictureInfoW", "GetPictureW", "GetPreviewW"})
    c.Expect(lib.Symbol(name) != nullptr, name + " is exported"s);
  c.Expect(lib.Symbol("ConfigurationDlgW") == nullptr, "no ConfigurationDlgW");
#if defined(_WIN32) && !defined(_WIN64)
  c.Expect(lib.Symbol("GetPictureW@28") == nullptr, "no decorated name GetPictureW@28");
#endif
}

constexpr char16_t kUntouched = 0xCCCC;

int PluginInfoW(TCheckContext& c, int infono, int buflen, char16_t (&buf)[64]) {
  for (char16_t& unit : buf) unit = kUntouched;
  return c.Library.GetPluginInfoW(infono, buf, buflen);
}

bool UntouchedW(const char16_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (p[i] != kUntouched) return false;
  return true;
}

std::string Narrow(const char16_t* text) {
  std::string out;
  for (; *text != 0; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
  return out;
}

void WidePluginInfo(TCheckContext& c) {
  if (!HasWideExports(c)) return;
  char16_t buf[64];
  const std::string texts[] = {"00IN", "Vornpix Format for Susie 1.1.0", "*.VRN", "Vornpix (*.VRN)"};
  for (int infono = 0; infono <= 3; ++infono) {
    const std::string& text = texts[infono];
    const std::string what = "infono " + std::to_string(infono);
    c.ExpectEqual(PluginInfoW(c, infono, 64, buf), static_cast<int>(text.size()), what + " result");
    c.ExpectEqual(Narrow(buf), text, what + " text");
    c.Expect(UntouchedW(buf + text.size() + 1, 64 - text.size() - 1), what + " writes only text and zero");
  }
  for (const int infono : {4, -1}) {
    c.ExpectEqual(PluginInfoW(c, infono, 64, buf), 0, "infono " + std::to_string(infono));
    c.Expect(UntouchedW(buf, 64), "infono " + std::to_string(infono) + " leaves the buffer unchanged");
  }
  // buflen counts UTF-16 units, the zero included.
  const std::string text = texts[3];
  for (int buflen = 1; buflen <= static_cast<int>(text.size()) + 2; ++buflen) {
    const std::string what = "buflen " + std::to_string(buflen);
    const int expected = std::min(buflen - 1, static_cast<int>(text.size()));
    c.ExpectEqual(PluginInfoW(c, 3, buflen, buf), expected, what + " result");
    c.ExpectEqual(Narrow(buf), text.substr(0, static_cast<size_t>(expected)), what + " text");
    c.Expect(UntouchedW(buf + buflen, 64 - static_cast<size_t>(buflen)), what + " writes nothing past buflen");
  }
  for (const int buflen : {0, -1}) {
    c.ExpectEqual(PluginInfoW(c, 0, buflen, buf), 0, "buflen " + std::to_string(buflen));
    c.Expect(UntouchedW(buf, 64), "buflen " + std::to_string(buflen) + " stores nothing");
  }
  c.ExpectEqual(c.Library.GetPluginInfoW(0, nullptr, 64), 0, "null buffer stores nothing");
}

struct THostBuffer {
  char Bytes[2048] = {};
  explicit THostBuffer(const std::string& head) { std::memcpy(Bytes, head.data(), std::min(head.size(), sizeof Bytes)); }
  uintptr_t Dw() const { return reinterpret_cast<uintptr_t>(Bytes); }
};

int SupportedW(TCheckContext& c, const char16_t* name, const std::string& head) {
  const THostBuffer buffer(head);
  return c.Library.IsSupportedW(name, buffer.Dw());
}

void WideSupported(TCheckContext& c) {
  if (!HasWideExports(c)) return;
  const std::string junk = "\x01\x02junk";
  for (const std::u16string& name : {kWideName, u"PICTURE.VRN"s, u"C:\\\u30D5\u30A9\u30EB\u30C0.x\\a.vRn"s})
    c.ExpectEqual(SupportedW(c, name.c_str(), junk), kSupported, "a .vrn name with any head");
  for (const std::u16string& name : {u"\u03B1.bmp"s, u"a.vrn.bak"s, u"a.\uFF56\uFF52\uFF4E"s, u"C:\\d.vrn\\f.png"s})
    c.ExpectEqual(SupportedW(c, name.c_str(), "VornX200"), kNotSupported, "another extension, even with VornX200");
  // No extension after the last delimiter: the head decides.
  for (const std::u16string& name : {u"C:\\\u03B1.x\\frames"s, u"C:\u30C6"s, u""s}) {
    c.ExpectEqual(SupportedW(c, name.c_str(), "Vorn106"), kSupported, "no extension, head Vorn106");
    c.ExpectEqual(SupportedW(c, name.c_str(), "Vorn107"), kNotSupported, "no extension, head Vorn107");
  }
  c.ExpectEqual(SupportedW(c, nullptr, "VornX200"), kSupported, "no name, head VornX200");
  c.ExpectEqual(SupportedW(c, nullptr, "GIF89a"), kNotSupported, "no name, head GIF89a");
  c.ExpectEqual(c.Library.IsSupportedW(nullptr, 0xFFF0), kNotSupported, "no name, a bad handle");

  const std::string file = WriteScratchFile(c.ScratchDir, "wide-head.dat", "VornX200 and more");
  THostFileHandle handle(file);
  if (c.Expect(handle.IsOpen(), "open " + file)) {
    handle.SetPosition(3);
    c.ExpectEqual(c.Library.IsSupportedW(u"frames", handle.Value()), kSupported, "through a handle");
    c.ExpectEqual(handle.Position(), int64_t{7}, "the handle is left after the head");
  }
}

// A 64-bit buffer pointer whose low 32 bits are below 65536 is still a
// pointer: dw is tested whole.
void HighBufferPointer(TCheckContext& c) {
  if (sizeof(void*) < 8) return;  // every buffer address is above 65535 here
  const uint64_t bases[] = {0x100000000ull, 0x300000000ull, 0x7E0000000000ull};
  const size_t size = 0x10000;
  char* block = nullptr;
  for (const uint64_t base : bases) {
    void* wanted = reinterpret_cast<void*>(static_cast<uintptr_t>(base));
#if defined(_WIN32)
    void* got = VirtualAlloc(wanted, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (got != nullptr && got != wanted) VirtualFree(got, 0, MEM_RELEASE);
#else
    void* got = mmap(wanted, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (got == MAP_FAILED) got = nullptr;
    if (got != nullptr && got != wanted) munmap(got, size);
#endif
    if (got == wanted) {
      block = static_cast<char*>(got);
      break;
    }
  }
  if (block == nullptr) {
    std::printf("  (no memory at a 4 GiB boundary could be had: skipped)\n");
    return;
  }
  char* head = block + 0x1000;
  std::memcpy(head, "VornX200", 9);
  const uintptr_t dw = reinterpret_cast<uintptr_t>(head);
  c.Expect((dw & 0xFFFFFFFFu) < 65536, "the buffer's low 32 bits are below 65536");
  c.ExpectEqual(c.Library.IsSupported(nullptr, dw), kSupported, "IsSupported reads the buffer");
  if (c.Library.IsSupportedW != nullptr)
    c.ExpectEqual(c.Library.IsSupportedW(nullptr, dw), kSupported, "IsSupportedW reads the buffer");
  std::memcpy(head, "GIF89a", 7);
  c.ExpectEqual(c.Library.IsSupported(nullptr, dw), kNotSupported, "IsSupported, head GIF89a");
#if defined(_WIN32)
  VirtualFree(block, 0, MEM_RELEASE);
#else
  munmap(block, size);
#endif
}

void Put32(std::string& out, int32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>(static_cast<uint32_t>(v) >> (8 * i));
}

// A small old-generation file (version 102): two 4 x 3 frames at 24 bits per
// pixel, each with one opaque layer of plain rows, on a coloured background.
std::string SampleFile() {
  std::string f = "Vorn102";
  Put32(f, 2);           // frames
  f += '\0';             // not interpreted
  Put32(f, 0x00336699);  // background
  for (int frame = 0; frame < 2; ++frame) {
    Put32(f, 0);   // name length
    Put32(f, -1);  // transparent colour
    Put32(f, 100);  // delay
    f += '\0';      // disposal
    Put32(f, 0);    // not interpreted
    Put32(f, 1);    // layers
    Put32(f, 4), Put32(f, 3), Put32(f, 24);
    f += std::string(8, '\0');  // not interpreted
    f += '\1';                  // visible
    Put32(f, -1);               // transparent colour
    Put32(f, 255);              // opacity
    f += '\0';                  // no alpha
    Put32(f, 0);                // name length
    Put32(f, 36);               // colour block: 3 rows of 12 bytes
    for (int i = 0; i < 36; ++i) f += static_cast<char>(i * 7 + frame * 101);
    Put32(f, 0);  // no alpha block
  }
  return f;
}

struct TDelivered {
  int Result = -1;
  std::string Info, Bits;
};

TDelivered Take(TCheckContext& c, int result, THostBlock info, THostBlock bits) {
  TDelivered d;
  d.Result = result;
  for (const auto& [block, out] : {std::pair{info, &d.Info}, std::pair{bits, &d.Bits}}) {
    if (block == nullptr) continue;
    const auto* p = static_cast<const char*>(c.Library.Lock(block));
    if (p != nullptr) out->assign(p, c.Library.Size(block));
    c.Library.Unlock(block);
    c.Library.Free(block);
  }
  return d;
}

TDelivered Call(TCheckContext& c, TGetPicture call, const char* buf, intptr_t len, unsigned flag) {
  THostBlock info = nullptr, bits = nullptr;
  const int result = call(buf, len, flag, &info, &bits, nullptr, 0);
  return Take(c, result, info, bits);
}

TDelivered CallW(TCheckContext& c, TGetPictureW call, const char16_t* buf, intptr_t len, unsigned flag) {
  THostBlock info = nullptr, bits = nullptr;
  const int result = call(buf, len, flag, &info, &bits, nullptr, 0);
  return Take(c, result, info, bits);
}

std::string InfoBytes(const vorn::SusiePictureInfo& info) {
  return std::string(reinterpret_cast<const char*>(&info), sizeof info);
}

void ExpectSame(TCheckContext& c, const TDelivered& got, const TDelivered& want, const std::string& what) {
  c.ExpectEqual(got.Result, want.Result, what + " result");
  c.Expect(got.Info == want.Info && got.Bits == want.Bits, what + " delivers the same blocks");
}

void WidePictures(TCheckContext& c) {
  if (!HasWideExports(c)) return;
  TSusieLibrary& lib = c.Library;
  const std::string bytes = SampleFile();
  const std::string ascii = WriteScratchFile(c.ScratchDir, "ascii-copy.vrn", bytes);
  const std::u16string wide = WriteScratchFileW(c.ScratchDir, kWideName, bytes);
  const std::u16string wideAt = WriteScratchFileW(c.ScratchDir, u"\uD55C_at13.vrn", std::string(13, 'x') + bytes);

  vorn::SusiePictureInfo want{}, got{};
  if (!c.ExpectEqual(lib.GetPictureInfo(ascii.c_str(), 0, 0, &want), 0, "GetPictureInfo on the ASCII name"))
    return;
  // Two frames side by side with MultiImage on, the first alone with it off.
  c.Expect((want.width == 8 || want.width == 4) && want.height == 3 && want.colorDepth == 24,
           "GetPictureInfo reports 8 x 3 (or 4 x 3) at 24 bits per pixel");
  std::memset(&got, 0x55, sizeof got);
  c.ExpectEqual(lib.GetPictureInfoW(wide.c_str(), 0, 0, &got), 0, "GetPictureInfoW on the wide name");
  c.Expect(InfoBytes(got) == InfoBytes(want), "GetPictureInfoW fills the same record");
  std::memset(&got, 0x55, sizeof got);
  c.ExpectEqual(lib.GetPictureInfoW(wideAt.c_str(), 13, 0, &got), 0, "GetPictureInfoW at offset 13");
  c.Expect(InfoBytes(got) == InfoBytes(want), "GetPictureInfoW at offset 13 fills the same record");
  // Memory input is bytes through the W calls too.
  const auto* memory = reinterpret_cast<const char16_t*>(bytes.data());
  const intptr_t length = static_cast<intptr_t>(bytes.size());
  std::memset(&got, 0x55, sizeof got);
  c.ExpectEqual(lib.GetPictureInfoW(memory, length, 1, &got), 0, "GetPictureInfoW from memory");
  c.Expect(InfoBytes(got) == InfoBytes(want), "GetPictureInfoW from memory fills the same record");

  const struct {
    TGetPicture Ansi;
    TGetPictureW Wide;
    const char* Name;
  } calls[] = {{lib.GetPicture, lib.GetPictureW, "GetPicture"}, {lib.GetPreview, lib.GetPreviewW, "GetPreview"}};
  for (const auto& call : calls) {
    const std::string name = call.Name;
    const TDelivered reference = Call(c, call.Ansi, ascii.c_str(), 0, 0);
    c.ExpectEqual(reference.Result, 0, name + " on the ASCII name");
    c.Expect(!reference.Info.empty() && !reference.Bits.empty(), name + " delivers two blocks");
    ExpectSame(c, CallW(c, call.Wide, wide.c_str(), 0, 0), reference, name + "W on the wide name");
    ExpectSame(c, CallW(c, call.Wide, wideAt.c_str(), 13, 0), reference, name + "W at offset 13");
    ExpectSame(c, CallW(c, call.Wide, memory, length, 1), reference, name + "W from memory");
    ExpectSame(c, Call(c, call.Ansi, bytes.data(), length, 1), reference, name + " from memory");
  }

  // A wide name that does not exist: -1, nothing handed over.
  const std::u16string missing = wide + u".missing";
  void* const sentinel = reinterpret_cast<void*>(uintptr_t{0x1234});
  THostBlock info = sentinel, bits = sentinel;
  c.ExpectEqual(lib.GetPictureInfoW(missing.c_str(), 0, 0, &got), -1, "GetPictureInfoW, missing file");
  c.ExpectEqual(lib.GetPictureW(missing.c_str(), 0, 0, &info, &bits, nullptr, 0), -1, "GetPictureW, missing file");
  c.ExpectEqual(lib.GetPreviewW(missing.c_str(), 0, 0, &info, &bits, nullptr, 0), -1, "GetPreviewW, missing file");
  c.Expect(info == sentinel && bits == sentinel, "a failed W call writes no handle");
  c.ExpectEqual(lib.GetPictureInfoW(nullptr, 0, 0, &got), -1, "GetPictureInfoW, null name");

#if defined(_WIN32)
  // The ANSI name of the file is lossy: its '?' names no file, and the ANSI
  // calls fail cleanly where the W calls open it.
  BOOL lost = FALSE;
  const std::wstring w(kWideName.begin(), kWideName.end());
  if (WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, w.c_str(), -1, nullptr, 0, nullptr, &lost) > 0)
    c.Expect(lost != FALSE, "code page 932 cannot hold the name");
  const std::string ansi = HostTextFromWide(wide);
  c.Expect(ansi.find('?') != std::string::npos, "the ANSI form of the name has lost characters");
  c.ExpectEqual(lib.GetPictureInfo(ansi.c_str(), 0, 0, &got), -1, "GetPictureInfo on the ANSI name");
  c.ExpectEqual(lib.GetPicture(ansi.c_str(), 0, 0, &info, &bits, nullptr, 0), -1, "GetPicture on the ANSI name");
  c.ExpectEqual(lib.GetPreview(ansi.c_str(), 0, 0, &info, &bits, nullptr, 0), -1, "GetPreview on the ANSI name");
  c.Expect(info == sentinel && bits == sentinel, "a failed ANSI call writes no handle");
#endif
}

}  // namespace

std::vector<TNamedCheck> WideChecks() {
  return {
      {"wide-exports", WideExports},
      {"wide-plugin-info", WidePluginInfo},
      {"wide-supported", WideSupported},
      {"supported-high-pointer", HighBufferPointer},
      {"wide-pictures", WidePictures},
  };
}

}  // namespace vrnhost
