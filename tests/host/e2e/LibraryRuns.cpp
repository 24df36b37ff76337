#include "tests/host/e2e/LibraryRuns.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>

#include "tests/host/vrnhost/HostFiles.h"
#include "tests/fixtures/Sha256.h"
#include "tests/hostile/HostileCases.h"
#include "tests/hostile/PictureChecks.h"
#include "platform/SettingsStore.h"

namespace vorn::e2e {

std::string Digest(const TBlocks& blocks) {
  return std::to_string(blocks.Info.size()) + ":" +
         testing::TSha256::Hex(blocks.Info.data(), blocks.Info.size()) + " " +
         std::to_string(blocks.Bits.size()) + ":" +
         testing::TSha256::Hex(blocks.Bits.data(), blocks.Bits.size());
}

namespace {

// The work directory's paths are ASCII; anything else is not widened here
// (names outside the code page are the test host's own checks).
std::u16string Widen(const std::string& path) {
  std::u16string wide;
  for (const char c : path) {
    if (static_cast<unsigned char>(c) >= 0x80) return {};
    wide.push_back(static_cast<char16_t>(c));
  }
  return wide;
}

std::string Key(const std::string& name, bool wide, const char* call) {
  return name + " " + (wide ? "wide" : "ansi") + " " + call;
}

}  // namespace

void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
  const std::string assignment = std::string(name) + "=" + (value != nullptr ? value : "");
  _putenv(assignment.c_str());
#else
  if (value != nullptr)
    ::setenv(name, value, 1);
  else
    ::unsetenv(name);
#endif
}

TLibraryRuns::TLibraryRuns(vrnhost::TSusieLibrary& library, std::string workDir)
    : lib_(library), workDir_(std::move(workDir)) {}

bool TLibraryRuns::Problem(TRunTally& tally, const std::string& what) {
  ++tally.Problems;
  std::printf("FAILED %s\n", what.c_str());
  return false;
}

void TLibraryRuns::UseSettings(bool multiImage, int32_t passCode) {
  if (haveSettings_ && multiImage == multiImage_ && passCode == passCode_) return;
  platform::WriteSetting("Susie", "MultiImage", multiImage ? "1" : "0");
  platform::WriteSetting("Common", "PassCode", std::to_string(passCode));
  haveSettings_ = true;
  multiImage_ = multiImage;
  passCode_ = passCode;
}

namespace {

// The buf, len and flag a host passes for a case: the file's name (ANSI or
// UTF-16) and its offset, or the bytes and their length.
struct TCallArguments {
  std::u16string WidePath;
  const char* Buf = nullptr;  // memory input: the bytes; else the ANSI name
  bool Memory = false;
  intptr_t Len = 0;
  unsigned Flag = 0;
  // Worked out at the call, as WidePath moves with the record.
  const char16_t* WideBuf() const {
    return Memory ? reinterpret_cast<const char16_t*>(Buf) : WidePath.c_str();
  }
};

TCallArguments Arguments(const TEndToEndCase& c, const std::string& path) {
  static const uint8_t none = 0;
  TCallArguments a;
  a.Flag = (c.Input == TInput::Memory ? 1u : 0u) | c.FlagHighBits;
  if (c.Input == TInput::Memory) {
    a.Buf = reinterpret_cast<const char*>(c.Bytes.empty() ? &none : c.Bytes.data());
    a.Memory = true;
    a.Len = static_cast<intptr_t>(c.Len.value_or(static_cast<int64_t>(c.Bytes.size())));
  } else {
    a.WidePath = Widen(path);
    a.Buf = path.c_str();
    a.Len = static_cast<intptr_t>(c.Offset);
  }
  return a;
}

}  // namespace

int TLibraryRuns::Info(const TEndToEndCase& c, bool wide, const std::string& path,
                       SusiePictureInfo* info) {
  const TCallArguments a = Arguments(c, path);
  return wide ? lib_.GetPictureInfoW(a.WideBuf(), a.Len, a.Flag, info)
              : lib_.GetPictureInfo(a.Buf, a.Len, a.Flag, info);
}

TLibraryRuns::TDelivery TLibraryRuns::Deliver(const TEndToEndCase& c, bool wide, bool preview,
                                              const std::string& path) {
  const TCallArguments a = Arguments(c, path);
  vrnhost::THostBlock hInfo = nullptr, hBm = nullptr;
  TDelivery d;
  d.Result = wide ? (preview ? lib_.GetPreviewW : lib_.GetPictureW)(a.WideBuf(), a.Len, a.Flag, &hInfo,
                                                                    &hBm, nullptr, 0)
                  : (preview ? lib_.GetPreview : lib_.GetPicture)(a.Buf, a.Len, a.Flag, &hInfo, &hBm,
                                                                  nullptr, 0);
  d.HandedOverOnFailure = d.Result != 0 && (hInfo != nullptr || hBm != nullptr);
  const auto take = [&](vrnhost::THostBlock block, std::vector<uint8_t>& out) {
    if (block == nullptr) return;
    const auto* p = static_cast<const uint8_t*>(lib_.Lock(block));
    if (p != nullptr) out.assign(p, p + lib_.Size(block));
    lib_.Unlock(block);
    lib_.Free(block);
  };
  take(hInfo, d.Blocks.Info);
  take(hBm, d.Blocks.Bits);
  return d;
}

TRunTally TLibraryRuns::RunCases(const std::vector<TEndToEndCase>& cases) {
  TRunTally tally;
  const bool haveWide = lib_.GetPictureInfoW != nullptr && lib_.GetPictureW != nullptr &&
                        lib_.GetPreviewW != nullptr;
  for (const TEndToEndCase& c : cases) {
    const int problemsBefore = tally.Problems;
    const std::string path = workDir_ + "/" + c.Name + ".vrn";
    if (c.Input == TInput::File && c.WriteFile &&
        !vrnhost::WriteWholeFile(path, c.Bytes.data(), c.Bytes.size()))
      Problem(tally, c.Name + ": cannot write " + path);
    for (const bool wide : {false, true}) {
      if (wide && (!haveWide || (c.Input == TInput::File && Widen(path).empty()))) continue;
      const std::string where = c.Name + (wide ? " (wide)" : "");
      UseSettings(c.MultiImage, c.PassCode);

      SusiePictureInfo info;
      std::memset(&info, 0x5A, sizeof info);
      const int infoResult = Info(c, wide, path, &info);
      ++tally.Calls;
      std::string infoText = std::to_string(infoResult);
      if (infoResult == 0) {
        infoText += " " + std::to_string(info.width) + "x" + std::to_string(info.height) + "x" +
                    std::to_string(info.colorDepth);
        if (info.left != 0 || info.top != 0 || info.x_density != 1 || info.y_density != 1 ||
            info.hInfo != nullptr)
          Problem(tally, where + ": GetPictureInfo's fixed fields are wrong");
      } else if (infoResult == -1) {
        const auto* raw = reinterpret_cast<const uint8_t*>(&info);
        for (size_t i = 0; i < sizeof info; ++i)
          if (raw[i] != 0x5A) {
            Problem(tally, where + ": GetPictureInfo failed but wrote the record");
            break;
          }
      } else {
        Problem(tally, where + ": GetPictureInfo returned " + std::to_string(infoResult));
      }
      if (c.Info) {
        const TInfoExpectation& e = *c.Info;
        const std::string want = e.Result != 0 ? std::to_string(e.Result)
                                               : "0 " + std::to_string(e.Width) + "x" +
                                                     std::to_string(e.Height) + "x" + std::to_string(e.Depth);
        if (infoText != want) Problem(tally, where + ": GetPictureInfo gave " + infoText + ", expected " + want);
      }
      results_[Key(c.Name, wide, "GetPictureInfo")] = infoText;

      for (const bool preview : {false, true}) {
        const char* call = preview ? "GetPreview" : "GetPicture";
        const TDelivery d = Deliver(c, wide, preview, path);
        ++tally.Calls;
        if (d.Result != 0 && d.Result != -1)
          Problem(tally, where + ": " + call + " returned " + std::to_string(d.Result));
        if (d.HandedOverOnFailure) Problem(tally, where + ": " + call + " failed but handed over a block");
        if (d.Result == 0) {
          const std::string shape = hostile::PictureProblem(d.Blocks.Info, d.Blocks.Bits);
          if (!shape.empty()) Problem(tally, where + ": " + call + ": " + shape);
        }
        const std::optional<TPictureExpectation>& e = preview ? c.Preview : c.Picture;
        if (e && d.Result != e->Result)
          Problem(tally, where + ": " + call + " returned " + std::to_string(d.Result) +
                             ", expected " + std::to_string(e->Result));
        else if (e && d.Result == 0 && !(d.Blocks == e->Blocks))
          Problem(tally, where + ": " + call + " delivered other blocks than expected: " +
                             Difference(d.Blocks, e->Blocks));
        results_[Key(c.Name, wide, call)] =
            std::to_string(d.Result) + (d.Result == 0 ? " " + Digest(d.Blocks) : "");
      }
      if (wide)
        for (const char* call : {"GetPictureInfo", "GetPicture", "GetPreview"})
          if (results_[Key(c.Name, true, call)] != results_[Key(c.Name, false, call)])
            Problem(tally, c.Name + ": " + call + " differs between the ANSI and wide entry points");
    }
    std::printf("%-36s %s\n", c.Name.c_str(), tally.Problems == problemsBefore ? "ok" : "FAILED");
  }
  std::fflush(stdout);
  return tally;
}

TRunTally TLibraryRuns::RunHostileFiles() {
  TRunTally tally;
  const std::vector<hostile::THostileCase> files = hostile::HostileCases();
  int succeeded = 0;
  for (const hostile::THostileCase& h : files) {
    TEndToEndCase c;
    c.Name = h.Name;
    c.Bytes = h.Bytes;
    c.Input = TInput::Memory;
    const auto check = [&](const TDelivery& d, const char* call) {
      ++tally.Calls;
      if (d.Result != 0 && d.Result != -1)
        return Problem(tally, h.Name + ": " + call + " returned " + std::to_string(d.Result));
      if (d.HandedOverOnFailure) return Problem(tally, h.Name + ": " + call + " failed but handed over a block");
      if (d.Result == 0) {
        const std::string shape = hostile::PictureProblem(d.Blocks.Info, d.Blocks.Bits);
        if (!shape.empty()) return Problem(tally, h.Name + ": " + call + ": " + shape);
      }
      return true;
    };
    UseSettings(true, h.PassCode);
    const TDelivery picture = Deliver(c, false, false, {});
    check(picture, "GetPicture");
    SusiePictureInfo info;
    std::memset(&info, 0x5A, sizeof info);
    const int infoResult = Info(c, false, {}, &info);
    ++tally.Calls;
    if (infoResult != 0 && infoResult != -1)
      Problem(tally, h.Name + ": GetPictureInfo returned " + std::to_string(infoResult));
    UseSettings(false, h.PassCode);
    const TDelivery pictureOff = Deliver(c, false, false, {});
    const TDelivery preview = Deliver(c, false, true, {});
    check(pictureOff, "GetPicture (MultiImage off)");
    check(preview, "GetPreview");
    if (pictureOff.Result != preview.Result || !(pictureOff.Blocks == preview.Blocks))
      Problem(tally, h.Name + ": GetPicture without MultiImage differs from GetPreview");
    if (h.Verdict) {
      // Where the rules' verdict is known, every call must give it.
      const int infoOff = Info(c, false, {}, &info);
      const hostile::TVerdict got{picture.Result, pictureOff.Result, preview.Result, infoResult, infoOff};
      if (!(got == *h.Verdict))
        Problem(tally, h.Name + ": calls answered " + std::to_string(got.Picture) + " " +
                           std::to_string(got.PictureOff) + " " + std::to_string(got.Preview) + " " +
                           std::to_string(got.Info) + " " + std::to_string(got.InfoOff) +
                           ", not as the rules do");
    }
    if (picture.Result == 0) ++succeeded;
  }
  std::printf("hostile files: %zu files, %d calls, %d delivered a picture, %d problems\n", files.size(),
              tally.Calls, succeeded, tally.Problems);
  std::fflush(stdout);
  return tally;
}

TRunTally TLibraryRuns::RunOutOfMemory(const TEndToEndCase& next) {
  TRunTally tally;
  // One frame of 23000 x 23000 at 32 bits: 2.1 GB, just within what a
  // surface may hold, and more than a 32-bit process can map.
  fixtures::FxFile file = fixtures::MakeSimpleFile(4, 4, 32, 1);
  file.frames[0].width = file.frames[0].height = 23000;
  file.frames[0].layers.clear();
  TEndToEndCase huge;
  huge.Name = "out-of-memory";
  huge.Bytes = fixtures::WriteVrn(file);
  huge.Input = TInput::Memory;
  SetEnvironment("VORN_MEMORY_LIMIT_MB", "100000");
  UseSettings(false, 0);
  const TDelivery d = Deliver(huge, false, true, {});
  SetEnvironment("VORN_MEMORY_LIMIT_MB", nullptr);
  ++tally.Calls;
  if (d.Result != -1 || d.HandedOverOnFailure)
    Problem(tally, "out-of-memory: GetPreview returned " + std::to_string(d.Result) + ", expected -1");
  UseSettings(next.MultiImage, next.PassCode);
  const TDelivery after = Deliver(next, false, true, workDir_ + "/" + next.Name + ".vrn");
  ++tally.Calls;
  if (!next.Preview || after.Result != next.Preview->Result || !(after.Blocks == next.Preview->Blocks))
    Problem(tally, "out-of-memory: the next file (" + next.Name + ") did not open as expected");
  std::printf("%-36s %s\n", "out-of-memory", tally.Problems == 0 ? "ok" : "FAILED");
  return tally;
}

void WriteResults(const std::string& path, int screenW, int screenH, const TResults& results) {
  std::ofstream out(path, std::ios::binary);
  out << "screen " << screenW << "x" << screenH << "\n";
  for (const auto& [key, value] : results) out << key << "\t" << value << "\n";
}

bool ReadResults(const std::string& path, std::string* screen, TResults* results) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  if (!std::getline(in, line) || line.rfind("screen ", 0) != 0) return false;
  *screen = line.substr(7);
  while (std::getline(in, line)) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) return false;
    (*results)[line.substr(0, tab)] = line.substr(tab + 1);
  }
  return true;
}

}  // namespace vorn::e2e
