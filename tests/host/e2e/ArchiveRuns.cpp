// The archive plug-in through its exports, on the end-to-end cases' files
// and on the hostile files.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "tests/host/e2e/LibraryRuns.h"
#include "tests/host/vrnhost/HostFiles.h"
#include "tests/fixtures/Sha256.h"
#include "tests/hostile/HostileCases.h"
#include "tests/hostile/PictureChecks.h"
#include "platform/WideText.h"

namespace vorn::e2e {
namespace {

using vrnhost::THostBlock;
constexpr intptr_t kOffset = 777;  // where the .vrn file starts in the "-at" files

// The host's progress callback: lData 1 goes on, 3 cancels once the entry is
// complete, anything else (an lData that got lost too) cancels at once.
int VRNHOST_CALL Progress(int num, int denom, intptr_t lData) {
  return lData == 1 ? 0 : lData == 3 ? num >= denom : 1;
}

std::vector<uint8_t> Take(const vrnhost::TSusieLibrary& lib, THostBlock block) {
  std::vector<uint8_t> bytes;
  if (block == nullptr) return bytes;
  if (const auto* p = static_cast<const uint8_t*>(lib.Lock(block))) bytes.assign(p, p + lib.Size(block));
  lib.Unlock(block);
  lib.Free(block);
  return bytes;
}

std::string Utf8(const char* cp932) { return platform::Utf8FromUtf16(platform::Utf16FromCp932(cp932)); }
std::string Utf8(const char16_t* text) { return platform::Utf8FromUtf16(text); }

// A listing's records as a host steps through them to the one that ends the
// list. Text: the result, then per entry its position in the .vrn file, its
// size and its name in UTF-8; Good: records well-formed, in order, ended.
struct TListing {
  std::string Text;
  bool Good = true;
  std::vector<uint64_t> Positions, Sizes;
  std::vector<std::string> AnsiNames;  // as the records hold them (code page 932)
  std::vector<std::u16string> WideNames;
};

template <class Char>
TListing List(const vrnhost::TSusieLibrary& lib, int result, THostBlock block, uint64_t offset) {
  TListing l;
  l.Text = std::to_string(result) + "\n", l.Good = result == 0 || block == nullptr;
  const std::vector<uint8_t> bytes = result == 0 ? Take(lib, block) : std::vector<uint8_t>();
  using TRecord = TSusieFileInfo<Char>;
  size_t i = 0;
  for (; (i + 1) * sizeof(TRecord) <= bytes.size() && bytes[i * sizeof(TRecord)] != 0; ++i) {
    const TRecord& r = reinterpret_cast<const TRecord*>(bytes.data())[i];
    Char name[201] = {};  // copied out: a packed record's fields are not pointed to
    std::memcpy(name, bytes.data() + i * sizeof r + offsetof(TRecord, filename), sizeof r.filename);
    if constexpr (sizeof(Char) == 1)
      l.AnsiNames.push_back(name);
    else
      l.WideNames.push_back(name);
    l.Good = l.Good && std::memcmp(r.method, "VRN\0\0\0\0", 8) == 0 && r.compsize == r.filesize &&
             r.path[0] == 0 && name[199] == 0 && r.position >= offset &&
             (i == 0 || r.position - offset > l.Positions.back());
    l.Positions.push_back(r.position - offset);
    l.Sizes.push_back(r.filesize);
    l.Text += std::to_string(r.position - offset) + " " + std::to_string(r.filesize) + " " + Utf8(name) + "\n";
  }
  l.Good = l.Good && (result != 0 || (i + 1) * sizeof(TRecord) <= bytes.size());
  return l;
}

std::string Hash(const std::string& text) { return testing::TSha256::Hex(text.data(), text.size()); }

template <class Path>
std::vector<uint8_t> ReadAll(const Path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The blocks of a BMP file of the listed size that holds a well-formed picture.
std::optional<TBlocks> BmpBlocks(const std::vector<uint8_t>& b, uint64_t size) {
  const auto at = [&](size_t i) { return b[i] | b[i + 1] << 8 | b[i + 2] << 16 | uint32_t{b[i + 3]} << 24; };
  if (b.size() != size || size < 14 || b[0] != 'B' || b[1] != 'M' || at(2) != size || at(10) < 14 ||
      at(10) > size)
    return std::nullopt;
  TBlocks blocks{{b.begin() + 14, b.begin() + at(10)}, {b.begin() + at(10), b.end()}};
  return hostile::PictureProblem(blocks.Info, blocks.Bits).empty() ? std::optional(blocks) : std::nullopt;
}

}  // namespace

TRunTally TLibraryRuns::RunArchive(vrnhost::TSusieLibrary& lib, const std::vector<TEndToEndCase>& cases,
                                   bool hostileFiles) {
  TRunTally tally;
  for (const TEndToEndCase& c : cases) {
    if (c.Preview && c.Preview->Result != 0) continue;  // files that fail are left to the hostile files
    UseSettings(c.MultiImage, c.PassCode);
    const std::vector<uint8_t> vrn(c.Bytes.begin() + (c.Input == TInput::File ? c.Offset : 0), c.Bytes.end());
    std::vector<uint8_t> prefixed(kOffset, 0x5A);
    prefixed.insert(prefixed.end(), vrn.begin(), vrn.end());
    const std::string base = workDir_ + "/archive/" + c.Name, path = base + ".vrn", at = base + "-at.vrn";
    std::filesystem::remove_all(base);
    for (const char* folder : {"/ansi", "/wide", "/cancelled"})
      std::filesystem::create_directories(base + folder);
    if (!vrnhost::WriteWholeFile(path, vrn.data(), vrn.size()) ||
        !vrnhost::WriteWholeFile(at, prefixed.data(), prefixed.size()))
      Problem(tally, c.Name + ": cannot write " + path);
    const std::u16string widePath = vrnhost::WideFromHostText(path), wideAt = vrnhost::WideFromHostText(at);
    std::u16string wideDir = vrnhost::WideFromHostText(base + "/wide");

    // Listed by name through both entry points, from memory, and at an offset.
    std::string want[2] = {"0\n", "0\n"};  // ANSI, wide
    for (size_t i = 0; i < c.Frames.size(); ++i)
      for (const bool wide : {false, true})
        want[wide] += std::to_string(i) + " " +
                      std::to_string(14 + c.Frames[i].Info.size() + c.Frames[i].Bits.size()) + " " +
                      Utf8((wide || c.AnsiEntryNames.empty() ? c.EntryNames : c.AnsiEntryNames)[i].c_str()) +
                      "\n";
    std::optional<TListing> firsts[2];
    for (const std::string mode : {"ansi file", "wide file", "ansi memory", "wide memory", "ansi offset",
                                   "wide offset"}) {
      const bool wide = mode[0] == 'w', memory = mode[5] == 'm', offset = mode[5] == 'o';
      const intptr_t len = memory ? static_cast<intptr_t>(vrn.size()) : offset ? kOffset : 0;
      const char* buf = memory ? reinterpret_cast<const char*>(vrn.data()) : (offset ? at : path).c_str();
      const char16_t* wideBuf =
          memory ? reinterpret_cast<const char16_t*>(buf) : (offset ? wideAt : widePath).c_str();
      THostBlock block = nullptr;
      const int result = wide ? lib.GetArchiveInfoW(wideBuf, len, memory, &block)
                              : lib.GetArchiveInfo(buf, len, memory, &block);
      const TListing l = wide ? List<char16_t>(lib, result, block, offset ? kOffset : 0)
                              : List<char>(lib, result, block, offset ? kOffset : 0);
      ++tally.Calls;
      std::optional<TListing>& first = firsts[wide];
      if (!first) first = l;
      if (!l.Good || l.Text != first->Text || (!c.Frames.empty() && l.Text != want[wide]))
        Problem(tally, c.Name + " " + mode + ": GetArchiveInfo listed\n" + l.Text + "instead of\n" + want[wide]);
      results_[c.Name + " archive " + mode + " GetArchiveInfo"] = Hash(l.Text);
    }

    // Every entry into a folder through both entry points, and into memory
    // from the file at an offset: a BMP file of the frame's picture.
    const std::string preview = results_[c.Name + " ansi GetPreview"];
    const std::optional<TListing>& first = firsts[0];
    for (size_t i = 0; i < first->Positions.size(); ++i) {
      const auto position = static_cast<intptr_t>(first->Positions[i]);
      THostBlock block = nullptr;
      const int ansi = lib.GetFile(path.c_str(), position, (base + "/ansi").data(), 0, Progress, 1);
      const int wide = lib.GetFileW(widePath.c_str(), position, wideDir.data(), 0, Progress, 1);
      const int result = lib.GetFile(at.c_str(), kOffset + position, reinterpret_cast<char*>(&block), 0x100,
                                     Progress, 1);
      tally.Calls += 3;
      const std::vector<uint8_t> bytes = Take(lib, block);
      const std::optional<TBlocks> blocks = BmpBlocks(bytes, first->Sizes[i]);
      const std::u16string wideName = wideDir + u"/" + firsts[1]->WideNames[i];
      const std::string where = c.Name + " archive GetFile " + std::to_string(position);
      if (ansi != result || wide != result ||
          (result != 0 ? block != nullptr || !c.Frames.empty()
                       : !blocks || ReadAll(base + "/ansi/" + first->AnsiNames[i]) != bytes ||
                             ReadAll(std::filesystem::path(wideName)) != bytes ||
                             (i < c.Frames.size() && !(*blocks == c.Frames[i])) ||
                             (i == 0 && preview.starts_with("0 ") && preview != "0 " + Digest(*blocks))))
        Problem(tally, where + " returned " + std::to_string(ansi) + " " + std::to_string(wide) + " " +
                           std::to_string(result) + ", not the frame's BMP file in both folders and the block");
      results_[where] = std::to_string(result) + (blocks ? " " + Digest(*blocks) : "");
    }

    if (c.Name.starts_with("named-frames") && first->AnsiNames.size() == 3) {
      // GetFileInfo by exact name and (flag 0x80) ASCII letters in any case,
      // never a double-byte character's second byte (ア's is 'A'); GetFile
      // cancelled at once and once the entry is complete, and from memory.
      std::string upper = first->AnsiNames[1], trail = first->AnsiNames[0], got;
      for (char& ch : upper) ch = ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 32) : ch;
      trail.replace(trail.find("\x83\x41"), 2, "\x83\x61");
      const std::pair<std::string, unsigned> lookups[] = {{first->AnsiNames[1], 0}, {upper, 0}, {upper, 0x80},
                                                          {trail, 0x80}};
      SusieFileInfo r{};
      for (const auto& [name, flag] : lookups) {
        const int result = lib.GetFileInfo(path.c_str(), 0, name.c_str(), flag, &r);
        got += std::to_string(result) + (result == 0 ? "@" + std::to_string(r.position) : "") + " ";
      }
      THostBlock block = nullptr;
      got += std::to_string(lib.GetFile(path.c_str(), 1, (base + "/cancelled").data(), 0, Progress, 2)) + " " +
             std::to_string(lib.GetFile(path.c_str(), 1, reinterpret_cast<char*>(&block), 0x100, Progress, 3)) +
             " " + std::to_string(lib.GetFile(reinterpret_cast<const char*>(vrn.data()), 1,
                                              reinterpret_cast<char*>(&block), 0x101, nullptr, 0));
      tally.Calls += 7;
      if (got != "0@1 -1 0@1 -1 1 1 -1" || block != nullptr || !std::filesystem::is_empty(base + "/cancelled"))
        Problem(tally, c.Name + ": GetFileInfo and GetFile gave " + got + " or a cancelled or refused entry");
      results_[c.Name + " archive GetFileInfo, cancelled GetFile, memory GetFile"] = got;
    }
  }

  // The hostile files listed and their last entries (every frame decoded)
  // extracted: each call succeeds, or fails with nothing handed over. Every
  // build calls with the limit of 32-bit processes, so that all answer alike.
  const std::vector<hostile::THostileCase> files = hostileFiles ? hostile::HostileCases() : decltype(files)();
  SetEnvironment("VORN_MEMORY_LIMIT_MB", "512");
  for (size_t n = 0; n < files.size(); ++n) {
    const std::string path = workDir_ + "/archive/hostile-" + std::to_string(n) + ".vrn";
    vrnhost::WriteWholeFile(path, files[n].Bytes.data(), files[n].Bytes.size());
    UseSettings(true, files[n].PassCode);
    THostBlock block = nullptr, out = nullptr;
    const int result0 = lib.GetArchiveInfo(path.c_str(), 0, 0, &block);
    const TListing l = List<char>(lib, result0, block, 0);
    const auto last = static_cast<intptr_t>(l.Positions.empty() ? 0 : l.Positions.back());
    const int result = l.Positions.empty() ? 0 : lib.GetFile(path.c_str(), last, reinterpret_cast<char*>(&out),
                                                             0x100, nullptr, 0);
    const std::vector<uint8_t> bytes = Take(lib, out);
    tally.Calls += 2;
    if (!l.Good || result0 < 0 || result0 > 8 || result < 0 || result > 8 ||
        (result != 0 ? out != nullptr : !l.Sizes.empty() && !BmpBlocks(bytes, l.Sizes.back())))
      Problem(tally, files[n].Name + ": GetArchiveInfo listed\n" + l.Text + "GetFile " + std::to_string(result));
    results_[files[n].Name + " archive"] = Hash(l.Text) + " " + std::to_string(result);
    std::filesystem::remove(path);
  }
  SetEnvironment("VORN_MEMORY_LIMIT_MB", nullptr);
  std::printf("archive: %zu hostile files, %d calls, %d failed\n", files.size(), tally.Calls, tally.Problems);
  std::fflush(stdout);
  return tally;
}

}  // namespace vorn::e2e
