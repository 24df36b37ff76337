// Runs the outside conformance corpus (files written and read by an
// independent reader) through the three picture calls and compares every
// result with what the corpus expects: result codes, picture sizes and
// depths, digests of both delivered blocks, and the information record.
// One test per file; each mismatch names the file, what the file exercises,
// the call and what differed (for a first-frame picture, the first differing
// pixel against the corpus's BMP).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <iconv.h>
#include <unistd.h>
#endif

#include "tests/fixtures/BmpDiff.h"
#include "tests/fixtures/MiniJson.h"
#include "tests/fixtures/Sha256.h"
#include "format/VornFrameList.h"
#include "platform/FileStreams.h"
#include "platform/HostMemory.h"
#include "platform/Screen.h"
#include "platform/SettingsStore.h"
#include "plugin/PictureDelivery.h"
#include "plugin/SusieTypes.h"
#include "api/TiledPicture.h"
#include "support/VornError.h"

namespace vorn {
namespace {

using testing::TBitmapHeader;
using testing::TDibBlocks;
using testing::TJsonValue;

enum class TCallKind { Preview, Picture, PictureInfo };

struct TCorpusCall {
  const char* Key;  // the member name in expected.json
  TCallKind Kind;
  bool MultiImage;
};

constexpr TCorpusCall kCalls[] = {
    {"GetPreview", TCallKind::Preview, true},
    {"GetPicture MultiImage=1", TCallKind::Picture, true},
    {"GetPicture MultiImage=0", TCallKind::Picture, false},
    {"GetPictureInfo MultiImage=1", TCallKind::PictureInfo, true},
    {"GetPictureInfo MultiImage=0", TCallKind::PictureInfo, false},
};

constexpr char kChoice[] = "implementer's choice";

// ---------------------------------------------------------------------------
// The corpus

// This test is built only where the corpus is (tests/CMakeLists.txt).
std::string CorpusDir() { return VORN_CONFORMANCE_DIR; }

bool FileExists(const std::string& path) { return std::ifstream(path, std::ios::binary).good(); }

struct TCorpus {
  bool Present = false;
  std::string LoadError;  // set when expected.json is present but unreadable
  TJsonValue Root;
};

const TCorpus& Corpus() {
  static const TCorpus corpus = [] {
    TCorpus c;
    const std::string path = CorpusDir() + "/expected.json";
    if (!FileExists(path)) return c;
    c.Present = true;
    try {
      c.Root = TJsonValue::ParseFile(path);
      c.Root["cases"].AsArray();
      c.Root["screen"].AsArray();
    } catch (const std::exception& e) {
      c.LoadError = e.what();
    }
    return c;
  }();
  return corpus;
}

// Test parameter: a case index, or kNoCase when there is nothing to run.
constexpr size_t kNoCase = static_cast<size_t>(-1);

std::vector<size_t> CaseIndices() {
  const TCorpus& c = Corpus();
  if (!c.Present || !c.LoadError.empty()) return {kNoCase};
  std::vector<size_t> indices;
  for (size_t i = 0; i < c.Root["cases"].Size(); ++i) indices.push_back(i);
  return indices.empty() ? std::vector<size_t>{kNoCase} : indices;
}

// "files/0011.vrn" -> "0011"; other characters than letters and digits become '_'.
std::string CaseName(size_t index) {
  if (index == kNoCase) return Corpus().Present ? "unreadable_corpus" : "absent_corpus";
  std::string file;
  try {
    file = Corpus().Root["cases"][index]["file"].AsString();
  } catch (const std::exception&) {
    return "case_" + std::to_string(index);
  }
  const size_t slash = file.find_last_of('/');
  if (slash != std::string::npos) file.erase(0, slash + 1);
  const size_t dot = file.rfind('.');
  if (dot != std::string::npos && dot > 0) file.erase(dot);
  for (char& ch : file)
    if (!((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9'))) ch = '_';
  return file.empty() ? "case_" + std::to_string(index) : file + "_" + std::to_string(index);
}

// ---------------------------------------------------------------------------
// Settings and screen for one call

#ifndef _WIN32
// A private INI file stands in for the settings store; nothing of the user's
// is touched.
std::string SettingsFile() {
  static const std::string path = ::testing::TempDir() + "vorn_conformance_" +
                                  std::to_string(static_cast<long>(getpid())) + ".ini";
  return path;
}

bool UseSettings(int32_t passCode, bool multiImage, std::string* error) {
  const std::string path = SettingsFile();
  {
    std::ofstream ini(path, std::ios::binary | std::ios::trunc);
    ini << "[Susie]\nMultiImage=" << (multiImage ? 1 : 0) << "\n[Common]\nPassCode=" << passCode
        << "\n";
    if (!ini) {
      *error = "cannot write " + path;
      return false;
    }
  }
  setenv("VORN_SETTINGS_FILE", path.c_str(), 1);
  return true;
}

bool UseScreen(int width, int height, std::string*) {
  const std::string text = std::to_string(width) + "x" + std::to_string(height);
  setenv("VORN_SCREEN", text.c_str(), 1);
  return true;
}

void RestoreSettings() { std::remove(SettingsFile().c_str()); }
#else
// On Windows the settings are the user's registry values: the store's own
// writer sets them, and the texts found at the start are put back at the end
// (a value that was missing gets the text of its default).
struct TSavedSettings {
  bool Saved = false;
  std::string MultiImage = "1";
  std::string PassCode = "0";
};

TSavedSettings& Saved() {
  static TSavedSettings saved;
  return saved;
}

bool UseSettings(int32_t passCode, bool multiImage, std::string* error) {
  try {
    if (!Saved().Saved) {
      const platform::TSettingValue multi = platform::ReadSetting("Susie", "MultiImage");
      const platform::TSettingValue code = platform::ReadSetting("Common", "PassCode");
      if (multi.Type == platform::TSettingType::Other || code.Type == platform::TSettingType::Other) {
        *error = "the stored settings are not text values; left alone";
        return false;
      }
      if (multi.Type == platform::TSettingType::Text) Saved().MultiImage = multi.Text;
      if (code.Type == platform::TSettingType::Text) Saved().PassCode = code.Text;
      Saved().Saved = true;
    }
    platform::WriteSetting("Susie", "MultiImage", multiImage ? "1" : "0");
    platform::WriteSetting("Common", "PassCode", std::to_string(passCode));
    return true;
  } catch (const std::exception& e) {
    *error = std::string("settings store: ") + e.what();
    return false;
  }
}

// The screen is the real one; the tiled calls are only comparable on a screen
// of the corpus's size.
bool UseScreen(int width, int height, std::string* error) {
  const platform::TScreenSize screen = platform::ScreenSize();
  if (screen.Width == width && screen.Height == height) return true;
  *error = "screen is " + std::to_string(screen.Width) + "x" + std::to_string(screen.Height) +
           ", the corpus needs " + std::to_string(width) + "x" + std::to_string(height);
  return false;
}

void RestoreSettings() {
  if (!Saved().Saved) return;
  try {
    platform::WriteSetting("Susie", "MultiImage", Saved().MultiImage);
    platform::WriteSetting("Common", "PassCode", Saved().PassCode);
  } catch (const std::exception&) {
  }
}
#endif

// ---------------------------------------------------------------------------
// Messages

// The reader's messages are code page 932 bytes; shown as UTF-8 where the
// system can convert them, else with the high bytes escaped.
std::string ReadableMessage(const std::string& cp932) {
#ifndef _WIN32
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd != reinterpret_cast<iconv_t>(-1)) {
    std::string in = cp932;
    std::string out(in.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done != static_cast<size_t>(-1) && inLeft == 0) {
      out.resize(out.size() - outLeft);
      return out;
    }
  }
#endif
  std::string out;
  static const char kDigits[] = "0123456789ABCDEF";
  for (const char ch : cp932) {
    const auto b = static_cast<uint8_t>(ch);
    if (b >= 0x20 && b < 0x7F) {
      out += ch;
    } else {
      out += "\\x";
      out += kDigits[b >> 4];
      out += kDigits[b & 15];
    }
  }
  return out;
}

const char* ExceptionKind(const std::exception& e) {
  if (dynamic_cast<const EReadError*>(&e)) return "EReadError";
  if (dynamic_cast<const EListError*>(&e)) return "EListError";
  if (dynamic_cast<const EConvertError*>(&e)) return "EConvertError";
  if (dynamic_cast<const EZDecompressionError*>(&e)) return "EZDecompressionError";
  if (dynamic_cast<const EZLibError*>(&e)) return "EZLibError";
  if (dynamic_cast<const EInvalidGraphicOperation*>(&e)) return "EInvalidGraphicOperation";
  if (dynamic_cast<const EJpegError*>(&e)) return "EJpegError";
  if (dynamic_cast<const ERegistryError*>(&e)) return "ERegistryError";
  if (dynamic_cast<const EVornError*>(&e)) return "EVornError";
  if (dynamic_cast<const ELimitError*>(&e)) return "ELimitError";
  if (dynamic_cast<const std::logic_error*>(&e)) return "std::logic_error";
  return "std::exception";
}

// The calls swallow their exceptions; when one fails unexpectedly the load is
// repeated here to name the reason.
std::string FailureReason(const std::string& path, int32_t passCode, const TCorpusCall& call,
                          int screenW, int screenH) {
  try {
    std::unique_ptr<TStream> stream = platform::OpenFileStream(path.c_str());
    TVornFrameList frames(passCode);
    const bool firstOnly = call.Kind == TCallKind::Preview ||
                           (call.Kind == TCallKind::Picture && !call.MultiImage);
    frames.LoadFromStream(*stream, firstOnly);
    if (call.Kind == TCallKind::Picture && call.MultiImage) BuildTiledPicture(frames, screenW, screenH);
    else if (call.Kind != TCallKind::PictureInfo) frames.GetFrame(0);
    return "the load succeeds when repeated outside the call";
  } catch (const std::exception& e) {
    return std::string("reader raised ") + ExceptionKind(e) + ": " + ReadableMessage(e.what());
  } catch (...) {
    return "reader raised a non-standard exception";
  }
}

// ---------------------------------------------------------------------------
// Tallies over the whole run

struct TTally {
  int Matched = 0;
  int Mismatched = 0;
  int Choice = 0;
  int Skipped = 0;
  std::vector<std::string> MismatchLines;
  std::vector<std::string> ChoiceLines;
};

TTally& Tally() {
  static TTally tally;
  return tally;
}

// ---------------------------------------------------------------------------
// Checking one delivered picture

// Bytes of the information block its header calls for: the header, the three
// channel masks of a BI_BITFIELDS picture, and the colour table.
int64_t InfoBytesFromHeader(const TBitmapHeader& h) {
  int64_t size = h.HeaderSize;
  if (h.Compression == 3 && (h.BitCount == 16 || h.BitCount == 32) && h.HeaderSize == 40) size += 12;
  int64_t colours = h.ClrUsed;
  if (colours == 0 && h.BitCount <= 8) colours = int64_t{1} << h.BitCount;
  return size + colours * 4;
}

// A locked view of one delivered block that frees it when done.
class TBlock {
 public:
  explicit TBlock(platform::THostHandle handle) : handle_(handle) {
    if (handle_ != nullptr) {
      data_ = static_cast<const uint8_t*>(platform::HostLock(handle_));
      size_ = platform::HostSize(handle_);
    }
  }
  ~TBlock() {
    if (handle_ == nullptr) return;
    if (data_ != nullptr) platform::HostUnlock(handle_);
    platform::HostFree(handle_);
  }
  TBlock(const TBlock&) = delete;
  TBlock& operator=(const TBlock&) = delete;
  const uint8_t* Data() const { return data_; }
  size_t Size() const { return data_ != nullptr ? size_ : 0; }

 private:
  platform::THostHandle handle_ = nullptr;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// Problems with the picture's form; empty when well formed.
std::vector<std::string> FormProblems(const TBlock& info, const TBlock& bits) {
  std::vector<std::string> problems;
  if (info.Data() == nullptr || bits.Data() == nullptr) {
    problems.push_back("a delivered block is null or cannot be locked");
    return problems;
  }
  const auto header = TBitmapHeader::Read(info.Data(), info.Size());
  if (!header) {
    problems.push_back("information block of " + std::to_string(info.Size()) +
                       " bytes holds no BITMAPINFOHEADER");
    return problems;
  }
  if (header->HeaderSize != 40) problems.push_back("biSize is " + std::to_string(header->HeaderSize));
  if (header->Width <= 0 || header->Height <= 0)
    problems.push_back("size " + std::to_string(header->Width) + "x" + std::to_string(header->Height));
  const uint16_t bpp = header->BitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    problems.push_back("bit count " + std::to_string(bpp));
  if (!problems.empty()) return problems;
  const int64_t infoBytes = InfoBytesFromHeader(*header);
  if (static_cast<int64_t>(info.Size()) < infoBytes)
    problems.push_back("information block has " + std::to_string(info.Size()) +
                       " bytes, its header needs " + std::to_string(infoBytes));
  if (static_cast<int64_t>(bits.Size()) < header->ImageBytes())
    problems.push_back("pixel block has " + std::to_string(bits.Size()) +
                       " bytes, its header needs " + std::to_string(header->ImageBytes()));
  return problems;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "; ") + p;
  return out;
}

// Compares a delivered picture with the expectation; returns what differs.
std::vector<std::string> ComparePicture(const TJsonValue& want, const TBlock& info,
                                        const TBlock& bits, const TDibBlocks* reference) {
  std::vector<std::string> diffs = FormProblems(info, bits);
  if (!diffs.empty()) return diffs;
  const TBitmapHeader header = *TBitmapHeader::Read(info.Data(), info.Size());
  const auto field = [&](const char* name, int64_t got) {
    const int64_t expected = want[name].AsInt();
    if (got != expected)
      diffs.push_back(std::string(name) + " " + std::to_string(got) + ", expected " +
                      std::to_string(expected));
  };
  field("width", header.Width);
  field("height", header.Height);
  field("bit_count", header.BitCount);
  field("info_size", InfoBytesFromHeader(header));
  field("bits_size", header.ImageBytes());
  const auto infoSize = static_cast<size_t>(want["info_size"].AsInt());
  if (info.Size() >= infoSize) {
    const std::string digest = testing::TSha256::Hex(info.Data(), infoSize);
    if (digest != want["info_sha256"].AsString())
      diffs.push_back("info_sha256 differs (" + digest.substr(0, 12) + "...)");
  }
  const std::vector<uint8_t> zeroed = testing::ZeroRowPadding(header, bits.Data(), bits.Size());
  const std::string bitsDigest = testing::TSha256::Hex(zeroed.data(), zeroed.size());
  const bool bitsDiffer = bitsDigest != want["bits_sha256"].AsString();
  if (bitsDiffer) diffs.push_back("bits_sha256 differs (" + bitsDigest.substr(0, 12) + "...)");
  if (!diffs.empty() && reference != nullptr) {
    const std::string where =
        testing::DescribeDibDifference(*reference, info.Data(), info.Size(), zeroed.data(), zeroed.size());
    diffs.push_back("against the BMP: " + (where.empty() ? std::string("no difference") : where));
  }
  return diffs;
}

std::vector<std::string> CompareInfo(const TJsonValue& want, const SusiePictureInfo& got) {
  std::vector<std::string> diffs;
  const auto field = [&](const char* name, int64_t value) {
    const int64_t expected = want[name].AsInt();
    if (value != expected)
      diffs.push_back(std::string(name) + " " + std::to_string(value) + ", expected " +
                      std::to_string(expected));
  };
  field("left", got.left);
  field("top", got.top);
  field("width", got.width);
  field("height", got.height);
  field("x_density", got.x_density);
  field("y_density", got.y_density);
  field("colorDepth", got.colorDepth);
  field("hInfo", static_cast<int64_t>(reinterpret_cast<uintptr_t>(got.hInfo)));
  return diffs;
}

// ---------------------------------------------------------------------------
// The test

class ConformanceTest : public ::testing::TestWithParam<size_t> {
 public:
  static void TearDownTestSuite() {
    RestoreSettings();
    const TTally& t = Tally();
    if (t.Matched + t.Mismatched + t.Choice + t.Skipped == 0) return;
    std::ostringstream out;
    for (const std::string& line : t.ChoiceLines) out << "  implementer's choice: " << line << "\n";
    for (const std::string& line : t.MismatchLines) out << "  mismatch: " << line << "\n";
    out << "conformance: " << t.Matched << " calls matched, " << t.Mismatched << " mismatched, "
        << t.Choice << " implementer's choice";
    if (t.Skipped != 0) out << ", " << t.Skipped << " skipped";
    std::cout << out.str() << std::endl;
  }
};

TEST_P(ConformanceTest, PictureCallsMatchTheCorpus) {
  const TCorpus& corpus = Corpus();
  ASSERT_TRUE(corpus.Present) << "no conformance corpus at " << CorpusDir();
  ASSERT_TRUE(corpus.LoadError.empty()) << "expected.json: " << corpus.LoadError;
  ASSERT_NE(GetParam(), kNoCase) << "expected.json lists no case";

  const TJsonValue& item = corpus.Root["cases"][GetParam()];
  const std::string file = item["file"].AsString();
  const std::string path = CorpusDir() + "/" + file;
  const std::string description = item.Has("description") ? item["description"].AsString() : "";
  const auto passCode = static_cast<int32_t>(item["PassCode"].AsInt());
  const int screenW = static_cast<int>(corpus.Root["screen"][0].AsInt());
  const int screenH = static_cast<int>(corpus.Root["screen"][1].AsInt());
  ASSERT_TRUE(FileExists(path)) << file << " is missing from the corpus";

  // The corpus's first-frame picture, for naming the first differing pixel.
  std::optional<TDibBlocks> previewBmp;
  std::string bmpError;
  const TJsonValue& preview = item["GetPreview"];
  if (preview.Has("bmp"))
    previewBmp = testing::ReadBmpFile(CorpusDir() + "/expected/" + preview["bmp"].AsString(), &bmpError);

  for (const TCorpusCall& call : kCalls) {
    const TJsonValue& want = item[call.Key];
    const TJsonValue& result = want["result"];
    const bool choice = result.IsString();
    if (choice) {
      EXPECT_EQ(result.AsString(), kChoice) << file << " [" << call.Key << "]";
    }
    const int64_t wantResult = choice ? 0 : result.AsInt();

    const auto report = [&](const std::string& what) {
      ++Tally().Mismatched;
      Tally().MismatchLines.push_back(file + " [" + call.Key + "]: " + what);
      ADD_FAILURE() << file << " [" << call.Key << "]: " << what << "\n  case: " << description;
    };

    std::string setupError;
    const bool tiled = call.Kind != TCallKind::Preview && call.MultiImage;
    if (!UseSettings(passCode, call.MultiImage, &setupError) ||
        (tiled && !UseScreen(screenW, screenH, &setupError))) {
      ++Tally().Skipped;
      std::cout << file << " [" << call.Key << "] skipped: " << setupError << std::endl;
      continue;
    }

    const TPictureRequest request{path.c_str(), nullptr, 0, 0};
    std::vector<std::string> diffs;
    int32_t got = 0;
    if (call.Kind == TCallKind::PictureInfo) {
      SusiePictureInfo info;
      std::memset(&info, 0xA5, sizeof info);
      got = GetPictureInfoCall(request, &info);
      if (got == 0 && !choice) diffs = CompareInfo(want, info);
    } else {
      platform::THostHandle hInfo = nullptr;
      platform::THostHandle hBits = nullptr;
      got = call.Kind == TCallKind::Preview ? GetPreviewCall(request, &hInfo, &hBits)
                                            : GetPictureCall(request, &hInfo, &hBits);
      const TBlock infoBlock(got == 0 ? hInfo : nullptr);
      const TBlock bitsBlock(got == 0 ? hBits : nullptr);
      if (got == 0 && choice) {
        diffs = FormProblems(infoBlock, bitsBlock);
      } else if (got == 0 && wantResult == 0) {
        // The first-frame calls share the corpus's BMP when they expect its picture.
        const bool firstFrame =
            want.Has("bits_sha256") && preview.Has("bits_sha256") &&
            want["bits_sha256"].AsString() == preview["bits_sha256"].AsString() &&
            want["info_sha256"].AsString() == preview["info_sha256"].AsString();
        diffs = ComparePicture(want, infoBlock, bitsBlock,
                               firstFrame && previewBmp ? &*previewBmp : nullptr);
        if (!diffs.empty() && firstFrame && !previewBmp && !bmpError.empty())
          diffs.push_back(bmpError);
      }
    }

    if (choice) {
      if (got != 0 && got != -1) diffs.push_back("returned " + std::to_string(got) + ", expected 0 or -1");
      if (diffs.empty()) {
        ++Tally().Choice;
        const std::string why = want.Has("why") ? " (" + want["why"].AsString() + ")" : "";
        Tally().ChoiceLines.push_back(file + " [" + call.Key + "]: returned " + std::to_string(got) + why);
      } else {
        report("implementer's choice, but the result is malformed: " + Join(diffs));
      }
      continue;
    }
    if (got != wantResult) {
      std::string what = "returned " + std::to_string(got) + ", expected " + std::to_string(wantResult);
      if (got != 0) what += " (" + FailureReason(path, passCode, call, screenW, screenH) + ")";
      report(what);
      continue;
    }
    if (diffs.empty()) {
      ++Tally().Matched;
    } else {
      report(Join(diffs));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, ConformanceTest, ::testing::ValuesIn(CaseIndices()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                           return CaseName(info.param);
                         });

}  // namespace
}  // namespace vorn
