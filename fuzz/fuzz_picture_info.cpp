// GetPictureInfo on memory input, settings chosen by the first byte as for
// fuzz_picture. A success fills the record as documented; where the answer
// comes from loading the frames (every file but old ones from version 103,
// which answer from their header record) it must describe the picture that
// GetPicture delivers with the same settings.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/FuzzSettings.h"
#include "tests/hostile/PictureChecks.h"
#include "tests/plugin/DeliveryHelpers.h"
#include "plugin/PictureDelivery.h"

namespace {

// Whether the call answers from the old generation's header record: the
// head is not "VornX" and its bytes 4..6 read as a version from 103 on.
bool AnswersFromHeader(const std::vector<uint8_t>& file) {
  if (file.size() < 7) return false;
  if (std::memcmp(file.data(), "VornX", 5) == 0) return false;
  const bool digits = file[4] >= '0' && file[4] <= '9' && file[5] >= '0' && file[5] <= '9' &&
                      file[6] >= '0' && file[6] <= '9';
  // Other texts that still read as numbers ("+12", " 99") are left out.
  return !digits || (file[4] - '0') * 100 + (file[5] - '0') * 10 + (file[6] - '0') >= 103;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const auto options = vorn::fuzz::TFuzzOptions::FromByte(data[0]);
  vorn::fuzz::Environment().Apply(options);
  const std::vector<uint8_t> file(data + 1, data + size);
  const vorn::TPictureRequest request = vorn::testing::MemoryRequest(file);

  vorn::SusiePictureInfo info;
  std::memset(&info, 0x5A, sizeof info);
  const int32_t result = vorn::GetPictureInfoCall(request, &info);
  if (result == -1) {
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(&info);
    for (size_t i = 0; i < sizeof info; ++i)
      if (raw[i] != 0x5A) vorn::fuzz::Fail("GetPictureInfo failed but wrote the record");
    return 0;
  }
  if (result != 0) vorn::fuzz::Fail("GetPictureInfo returned " + std::to_string(result));
  if (info.left != 0 || info.top != 0 || info.x_density != 1 || info.y_density != 1 ||
      info.hInfo != nullptr)
    vorn::fuzz::Fail("GetPictureInfo filled fixed fields wrongly");

  // The loaded answer against the delivered picture (Extra inputs only: it
  // costs a second load).
  if (!options.Extra || AnswersFromHeader(file)) return 0;
  const vorn::testing::TDelivered picture = vorn::testing::Deliver(request, false);
  if (picture.Result != 0) return 0;  // the sheet itself may exceed the budget
  vorn::hostile::TPictureShape shape;
  const std::string problem = vorn::hostile::PictureProblem(picture.Info, picture.Bits, &shape);
  if (!problem.empty()) vorn::fuzz::Fail("GetPicture: " + problem);
  const int32_t depth = info.colorDepth == 15 ? 16 : info.colorDepth;
  if (shape.Width != info.width || shape.Height != info.height || shape.BitCount != depth)
    vorn::fuzz::Fail("GetPictureInfo reports " + std::to_string(info.width) + "x" +
                     std::to_string(info.height) + "x" + std::to_string(info.colorDepth) +
                     ", GetPicture delivers " + std::to_string(shape.Width) + "x" +
                     std::to_string(shape.Height) + "x" + std::to_string(shape.BitCount));
  return 0;
}
