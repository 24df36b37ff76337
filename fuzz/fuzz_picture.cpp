// GetPicture and GetPreview on memory input. The first byte chooses
// MultiImage, the identification code and the screen size (FuzzSettings.h);
// the rest is the file. A success must deliver a well-formed picture, and the
// two calls must agree: GetPicture without MultiImage is GetPreview, and with
// it the top-left cell of the sheet is the preview's first frame.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/FuzzSettings.h"
#include "tests/hostile/PictureChecks.h"
#include "tests/plugin/DeliveryHelpers.h"

namespace {

using vorn::hostile::PictureProblem;
using vorn::hostile::TPictureShape;
using vorn::testing::TDelivered;

TPictureShape CheckDelivered(const TDelivered& d, const char* call) {
  TPictureShape shape;
  if (d.Result == 0) {
    const std::string problem = PictureProblem(d.Info, d.Bits, &shape);
    if (!problem.empty()) vorn::fuzz::Fail(std::string(call) + ": " + problem);
  } else if (d.Result != -1) {
    vorn::fuzz::Fail(std::string(call) + " returned " + std::to_string(d.Result));
  } else if (!d.Info.empty() || !d.Bits.empty()) {
    vorn::fuzz::Fail(std::string(call) + " failed but left blocks to the host");
  }
  return shape;
}

// The sheet's cell (0, 0) holds frame 0 unchanged: later frames start to the
// right of it or below it.
void CheckFirstCell(const TDelivered& sheet, const TPictureShape& s, const TDelivered& preview,
                    const TPictureShape& p) {
  if (s.BitCount != p.BitCount || s.Width % p.Width != 0 || s.Height % p.Height != 0)
    vorn::fuzz::Fail("sheet shape does not fit the first frame");
  if (sheet.Info.size() != preview.Info.size() ||
      std::memcmp(sheet.Info.data() + 40, preview.Info.data() + 40, sheet.Info.size() - 40) != 0)
    vorn::fuzz::Fail("sheet colour table differs from the first frame's");
  const size_t rowS = (static_cast<size_t>(s.Width) * s.BitCount + 31) / 32 * 4;
  const size_t rowP = (static_cast<size_t>(p.Width) * p.BitCount + 31) / 32 * 4;
  const size_t bits = static_cast<size_t>(p.Width) * p.BitCount;
  const size_t whole = bits / 8;
  const auto lastMask = static_cast<uint8_t>(0xFF00 >> (bits % 8));
  for (int32_t y = 0; y < p.Height; ++y) {
    const uint8_t* a = sheet.Bits.data() + static_cast<size_t>(s.Height - 1 - y) * rowS;
    const uint8_t* b = preview.Bits.data() + static_cast<size_t>(p.Height - 1 - y) * rowP;
    if (std::memcmp(a, b, whole) != 0 ||
        (bits % 8 != 0 && ((a[whole] ^ b[whole]) & lastMask) != 0))
      vorn::fuzz::Fail("sheet cell 0 differs from the preview in row " + std::to_string(y));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const auto options = vorn::fuzz::TFuzzOptions::FromByte(data[0]);
  vorn::fuzz::Environment().Apply(options);
  const std::vector<uint8_t> file(data + 1, data + size);
  vorn::TPictureRequest request = vorn::testing::MemoryRequest(file);
  // Any non-zero low bits mean memory input; the high bits are ignored.
  if (options.Extra) request.flag = 0xFFFFFF07u;

  const TDelivered picture = vorn::testing::Deliver(request, false);
  const TDelivered preview = vorn::testing::Deliver(request, true);
  const TPictureShape s = CheckDelivered(picture, "GetPicture");
  const TPictureShape p = CheckDelivered(preview, "GetPreview");
  if (!options.MultiImage) {
    if (!(picture == preview)) vorn::fuzz::Fail("GetPicture without MultiImage differs from GetPreview");
  } else if (picture.Result == 0) {
    if (preview.Result != 0) vorn::fuzz::Fail("GetPicture succeeded where GetPreview failed");
    CheckFirstCell(picture, s, preview, p);
  }
  return 0;
}
