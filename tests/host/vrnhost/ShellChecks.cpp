#include <cstring>
#include <string>

#include "tests/host/vrnhost/HostChecks.h"
#include "tests/host/vrnhost/HostFiles.h"

namespace vrnhost {
namespace {

using namespace std::string_literals;

constexpr int kSupported = -1;
constexpr int kNotSupported = 0;

void Exports(TCheckContext& c) {
  TSusieLibrary& lib = c.Library;
  c.Expect(lib.GetPluginInfo != nullptr, "GetPluginInfo is exported");
  c.Expect(lib.IsSupported != nullptr, "IsSupported is exported");
  c.Expect(lib.GetPictureInfo != nullptr, "GetPictureInfo is exported");
  c.Expect(lib.GetPicture != nullptr, "GetPicture is exported");
  c.Expect(lib.GetPreview != nullptr, "GetPreview is exported");
  c.Expect(lib.ConfigurationDlg != nullptr, "ConfigurationDlg is exported");
#if defined(_WIN32) && !defined(_WIN64)
  c.Expect(lib.Symbol("GetPluginInfo@12") == nullptr, "no decorated name GetPluginInfo@12");
  c.Expect(lib.Symbol("_IsSupported@8") == nullptr, "no decorated name _IsSupported@8");
#endif
#if !defined(_WIN32)
  for (const char* name : {"LocalAlloc", "LocalLock", "LocalUnlock", "LocalFree", "LocalSize"})
    c.Expect(lib.Symbol(name) != nullptr, name + " is exported"s);
#endif
}

// Calls GetPluginInfo on a buffer of 0xCC bytes; returns the result and
// leaves the buffer in buf.
int PluginInfo(TCheckContext& c, int infono, int buflen, char (&buf)[64]) {
  std::memset(buf, 0xCC, sizeof buf);
  return c.Library.GetPluginInfo(infono, buf, buflen);
}

bool Untouched(const char* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (static_cast<unsigned char>(p[i]) != 0xCC) return false;
  return true;
}

void PluginInfoTexts(TCheckContext& c) {
  char buf[64];
  const struct {
    int Infono;
    const char* Text;
  } texts[] = {{0, "00IN"}, {1, "Vornpix Format for Susie 1.1.0"}, {2, "*.VRN"}, {3, "Vornpix (*.VRN)"}};
  for (const auto& t : texts) {
    const std::string what = "infono " + std::to_string(t.Infono);
    c.ExpectEqual(PluginInfo(c, t.Infono, 64, buf), static_cast<int>(std::strlen(t.Text)), what + " result");
    c.ExpectEqual(std::string(buf), std::string(t.Text), what + " text");
  }
  for (const int infono : {4, 5, -1, 1000}) {
    const std::string what = "infono " + std::to_string(infono);
    c.ExpectEqual(PluginInfo(c, infono, 64, buf), 0, what + " result");
    c.Expect(Untouched(buf, sizeof buf), what + " leaves the buffer unchanged");
  }
  c.ExpectEqual(c.Library.GetPluginInfo(0, nullptr, 64), 0, "null buffer stores nothing");
}

void PluginInfoTruncation(TCheckContext& c) {
  char buf[64];
  const std::string text = "Vornpix (*.VRN)";
  for (int buflen = 1; buflen <= static_cast<int>(text.size()) + 2; ++buflen) {
    const std::string what = "buflen " + std::to_string(buflen);
    const int expected = std::min(buflen - 1, static_cast<int>(text.size()));
    c.ExpectEqual(PluginInfo(c, 3, buflen, buf), expected, what + " result");
    c.ExpectEqual(std::string(buf), text.substr(0, static_cast<size_t>(expected)), what + " text");
    c.Expect(Untouched(buf + buflen, sizeof buf - static_cast<size_t>(buflen)),
             what + " writes nothing past buflen");
  }
  for (const int buflen : {0, -1, -100}) {
    const std::string what = "buflen " + std::to_string(buflen);
    c.ExpectEqual(PluginInfo(c, 0, buflen, buf), 0, what + " result");
    c.Expect(Untouched(buf, sizeof buf), what + " stores nothing");
  }
}

// A host buffer as Susie passes it: 2 KiB holding the file's first bytes.
struct THostBuffer {
  char Bytes[2048] = {};
  explicit THostBuffer(const std::string& head) { std::memcpy(Bytes, head.data(), std::min(head.size(), sizeof Bytes)); }
  uintptr_t Dw() const { return reinterpret_cast<uintptr_t>(Bytes); }
};

int Supported(TCheckContext& c, const char* name, const std::string& head) {
  const THostBuffer buffer(head);
  return c.Library.IsSupported(name, buffer.Dw());
}

void SupportedByExtension(TCheckContext& c) {
  const std::string junk = "\x01\x02junk";
  for (const char* name : {"picture.vrn", "PICTURE.VRN", "a.Vrn", "C:\\dir.x\\frames.vRN", "C:x.vrn"})
    c.ExpectEqual(Supported(c, name, junk), kSupported, name + " with any head"s);
  c.ExpectEqual(Supported(c, "empty.vrn", ""), kSupported, "empty.vrn with an empty head");
  for (const char* name : {"picture.bmp", "picture.vrnx", "picture.vr", "picture.", "a.vrn.bak",
                           "C:\\dir.vrn\\file.png"})
    c.ExpectEqual(Supported(c, name, "VornX200"), kNotSupported, name + " even with VornX200"s);
  // A point before the last delimiter does not start an extension: the head decides.
  for (const char* name : {"C:\\dir.x\\frames", "D:.x\\frames", "C:frames", ""}) {
    c.ExpectEqual(Supported(c, name, "VornX200"), kSupported, "'"s + name + "' with VornX200");
    c.ExpectEqual(Supported(c, name, "GIF89a"), kNotSupported, "'"s + name + "' with GIF89a");
  }
#if defined(_WIN32)
  c.ExpectEqual(Supported(c, "dir.x/frames", "VornX200"), kNotSupported,
                "'/' is not a delimiter: extension .x/frames");
#else
  c.ExpectEqual(Supported(c, "/home/u/dir.x/frames", "VornX200"), kSupported,
                "'/' is a delimiter natively: no extension");
  c.ExpectEqual(Supported(c, "/home/u/dir.x/frames", "Vorn099"), kNotSupported,
                "'/' is a delimiter natively: the head decides");
#endif
}

void SupportedBySignature(TCheckContext& c) {
  const struct {
    const char* Head;
    int Expected;
  } heads[] = {
      {"VornX200", kSupported}, {"VornX", kSupported},     {"VornXYZ", kSupported},
      {"Vorn100", kSupported},  {"Vorn103", kSupported},   {"Vorn106", kSupported},
      {"Vorn106\x7f", kSupported},
      {"Vorn099", kNotSupported}, {"Vorn107", kNotSupported}, {"VornABC", kNotSupported},
      {"VORN100", kNotSupported}, {"vornX200", kNotSupported}, {"Vorn10", kNotSupported},
      {"Vorn", kNotSupported},    {"Vorn$64", kNotSupported}, {"Vorn 10", kNotSupported},
      {"", kNotSupported},        {"BM", kNotSupported},
  };
  for (const auto& h : heads) {
    c.ExpectEqual(Supported(c, nullptr, h.Head), h.Expected, "no name, head '"s + h.Head + "'");
    c.ExpectEqual(Supported(c, "frames", h.Head), h.Expected, "name without extension, head '"s + h.Head + "'");
  }
  // The head ends before a zero byte within the first seven.
  c.ExpectEqual(Supported(c, nullptr, "VornX\0\0"s), kSupported, "VornX then zero bytes");
  c.ExpectEqual(Supported(c, nullptr, "Vorn10\0"s), kNotSupported, "Vorn10 then a zero byte");
  c.ExpectEqual(Supported(c, nullptr, "Vo\0rn106"s), kNotSupported, "zero byte inside Vorn");
}

void SupportedThroughHandle(TCheckContext& c) {
  const std::string dir = c.ScratchDir;
  const std::string newFile = WriteScratchFile(dir, "new.dat", "VornX200 and the rest of the file");
  const std::string oldFile = WriteScratchFile(dir, "old.dat", "Vorn106 and the rest");
  const std::string laterFile = WriteScratchFile(dir, "later.dat", "Vorn107 and the rest");
  const std::string shortFile = WriteScratchFile(dir, "short.dat", "Vorn1");
  const std::string emptyFile = WriteScratchFile(dir, "empty.dat", "");

  const struct {
    const std::string& Path;
    const char* Name;
    int Expected;
    int64_t PositionAfter;  // -2: unchanged
  } cases[] = {
      {newFile, nullptr, kSupported, 7},      {newFile, "frames", kSupported, 7},
      {oldFile, nullptr, kSupported, 7},      {laterFile, nullptr, kNotSupported, 7},
      {shortFile, nullptr, kNotSupported, 5}, {emptyFile, nullptr, kNotSupported, 0},
      {laterFile, "x.VRN", kSupported, 7},    {newFile, "x.bmp", kNotSupported, -2},
  };
  for (const auto& k : cases) {
    THostFileHandle handle(k.Path);
    if (!c.Expect(handle.IsOpen(), "open " + k.Path)) continue;
    const std::string what = k.Path + (k.Name != nullptr ? " as '"s + k.Name + "'" : " without name"s);
    c.Expect(handle.Value() < 65536, what + ": the handle value is below 65536");
    handle.SetPosition(3);
    c.ExpectEqual(c.Library.IsSupported(k.Name, handle.Value()), k.Expected, what);
    c.ExpectEqual(handle.Position(), k.PositionAfter == -2 ? int64_t{3} : k.PositionAfter,
                  what + ": position afterwards");
    // Still open and ours: it can be positioned again.
    c.Expect(handle.SetPosition(0) && handle.Position() == 0, what + ": the handle is still open");
  }
}

void SmallDwIsHandle(TCheckContext& c) {
  // Values below 65536 are never dereferenced: a bad handle just fails to read.
  for (const uintptr_t dw : {uintptr_t{0x1234}, uintptr_t{0xFFF0}, uintptr_t{0xFFFF}})
    c.ExpectEqual(c.Library.IsSupported(nullptr, dw), kNotSupported, "dw " + std::to_string(dw));
  c.ExpectEqual(c.Library.IsSupported("a.vrn", 0xFFF0), kSupported, "a.vrn with a bad handle");
}

void Configuration(TCheckContext& c) {
  for (const int fnc : {2, 3, -1, 100})
    c.ExpectEqual(c.Library.ConfigurationDlg(nullptr, fnc), -1, "ConfigurationDlg fnc " + std::to_string(fnc));
#if !defined(_WIN32)
  // No windows natively: the about text and the settings location go to stderr.
  c.ExpectEqual(c.Library.ConfigurationDlg(nullptr, 0), 0, "ConfigurationDlg fnc 0 (about)");
  c.ExpectEqual(c.Library.ConfigurationDlg(nullptr, 1), 0, "ConfigurationDlg fnc 1 (settings)");
#endif
}

}  // namespace

std::vector<TNamedCheck> ShellChecks() {
  return {
      {"exports", Exports},
      {"plugin-info-texts", PluginInfoTexts},
      {"plugin-info-truncation", PluginInfoTruncation},
      {"supported-extension", SupportedByExtension},
      {"supported-signature", SupportedBySignature},
      {"supported-handle", SupportedThroughHandle},
      {"supported-small-dw", SmallDwIsHandle},
      {"configuration", Configuration},
  };
}

}  // namespace vrnhost
