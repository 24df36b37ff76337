// vorn_installed_check: checks what an outside program built against the
// installed libvorn (examples/vorn_frames.c) wrote for each bundled example:
// the frames the fixture writer put in the file (count, size, name, delay),
// and every frame's RGBA equal to that frame's cell of the tiled picture
// the plug-in delivers (libvornspi.so's GetPicture), alpha 255 where the
// frame has none.
//
//   vorn_installed_check LIBRARY DUMPDIR EXAMPLESDIR
//
// DUMPDIR/NAME/frames.txt is the program's listing, DUMPDIR/NAME/frame-NNN.pam
// its pictures. VORN_SETTINGS_FILE and VORN_SCREEN (large enough for every
// frame of an example) are set by the test.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/SettingsStore.h"
#include "tests/fixtures/BundledExamples.h"
#include "tests/host/vrnhost/SusieLibrary.h"

namespace {

using namespace vorn::fixtures;

int failures = 0;

void Fail(const std::string& what) {
  ++failures;
  std::printf("FAILED %s\n", what.c_str());
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A PAM file's RGBA tuples; empty when it is not one of width x height.
std::string ReadPam(const std::string& path, int width, int height) {
  const std::string bytes = ReadFile(path);
  const std::string head = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                           "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  if (bytes.compare(0, head.size(), head) != 0) return {};
  return bytes.substr(head.size());
}

// The delivered sheet: header block and bottom-up rows.
struct TSheet {
  std::vector<uint8_t> Info, Bits;
  int Width = 0, Height = 0, BitCount = 0;
  // The colour of pixel (x, y) (y = 0 at the top) as R, G, B.
  void Rgb(int x, int y, uint8_t* out) const {
    const size_t rowBytes = (static_cast<size_t>(Width) * BitCount + 31) / 32 * 4;
    const uint8_t* row = Bits.data() + rowBytes * static_cast<size_t>(Height - 1 - y);
    if (BitCount == 8) {
      const uint8_t* entry = Info.data() + 40 + 4 * row[x];
      out[0] = entry[2], out[1] = entry[1], out[2] = entry[0];
    } else {
      const uint8_t* p = row + static_cast<size_t>(x) * (BitCount / 8);
      out[0] = p[2], out[1] = p[1], out[2] = p[0];
    }
  }
};

bool DeliveredSheet(vrnhost::TSusieLibrary& library, const std::string& file, TSheet& sheet) {
  vrnhost::THostBlock info = nullptr, bits = nullptr;
  if (library.GetPicture(file.c_str(), 0, 0, &info, &bits, nullptr, 0) != 0) return false;
  const auto take = [&](vrnhost::THostBlock block, std::vector<uint8_t>& into) {
    const auto* p = static_cast<const uint8_t*>(library.Lock(block));
    into.assign(p, p + library.Size(block));
    library.Unlock(block);
    library.Free(block);
  };
  take(info, sheet.Info);
  take(bits, sheet.Bits);
  const auto le32 = [&](size_t at) {
    int32_t v = 0;
    std::memcpy(&v, sheet.Info.data() + at, 4);
    return v;
  };
  sheet.Width = le32(4), sheet.Height = le32(8), sheet.BitCount = sheet.Info[14];
  return sheet.BitCount == 8 || sheet.BitCount == 24 || sheet.BitCount == 32;
}

void Check(vrnhost::TSusieLibrary& library, const std::string& dump, const FxBundledExample& example,
           const std::string& examplesDir) {
  const FxFile& file = example.File;
  const std::string dir = dump + "/" + example.Name;
  vorn::platform::WriteSetting("Susie", "MultiImage", "1");
  vorn::platform::WriteSetting("Common", "PassCode", std::to_string(file.passCode));
  TSheet sheet;
  if (!DeliveredSheet(library, examplesDir + "/" + example.Name, sheet))
    return Fail(example.Name + ": the plug-in delivers no picture");

  std::istringstream listing(ReadFile(dir + "/frames.txt"));
  std::string line;
  size_t index = 0;
  for (; std::getline(listing, line); ++index) {
    const std::string what = example.Name + " frame " + std::to_string(index);
    if (index >= file.frames.size()) return Fail(what + ": more frames than the file holds");
    const FxFrame& frame = file.frames[index];
    std::istringstream fields(line);
    size_t number = 0;
    int w = 0, h = 0, alpha = 0;
    unsigned delay = 0;
    std::string name;
    fields >> number >> w >> h >> delay >> alpha;
    std::getline(fields >> std::ws, name);
    if (number != index || w != frame.width || h != frame.height || name != frame.name ||
        delay != static_cast<unsigned>(std::max(frame.delay, 0)))
      Fail(what + ": listed as \"" + line + "\"");
    char pam[32];
    std::snprintf(pam, sizeof pam, "/frame-%03zu.pam", index);
    const std::string rgba = ReadPam(dir + pam, w, h);
    if (rgba.size() != static_cast<size_t>(w) * h * 4) {
      Fail(what + ": no picture of its size");
      continue;
    }
    // Frames fill the sheet row by row in cells of the first frame's size.
    const int columns = sheet.Width / file.frames[0].width;
    const int left = static_cast<int>(index % columns) * frame.width;
    const int top = static_cast<int>(index / columns) * frame.height;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t want[3];
        sheet.Rgb(left + x, top + y, want);
        const auto* got = reinterpret_cast<const uint8_t*>(rgba.data()) + (static_cast<size_t>(y) * w + x) * 4;
        if (std::memcmp(got, want, 3) != 0 || (alpha == 0 && got[3] != 255))
          return Fail(what + ": pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                      ") differs from the delivered picture");
      }
  }
  if (index != file.frames.size()) Fail(example.Name + ": " + std::to_string(index) + " frames listed");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: vorn_installed_check LIBRARY DUMPDIR EXAMPLESDIR\n");
    return 2;
  }
  vrnhost::TSusieLibrary library(argv[1]);
  const std::vector<FxBundledExample> examples = BundledExamples();
  for (const FxBundledExample& example : examples) Check(library, argv[2], example, argv[3]);
  std::printf("installed library: %zu examples checked, %d failures\n", examples.size(), failures);
  return failures == 0 ? 0 : 1;
}
