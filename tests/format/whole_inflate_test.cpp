// Whole-block inflation, and workers inflating blocks ahead of the load, are
// only faster ways to the same result: every fixture-writer file and every
// hostile file loads to the same frames, or fails with the same error, with
// them and with the streaming inflater alone, from memory and through a
// file-like stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "format/VornFrame.h"
#include "format/VornFrameList.h"
#include "support/Stream.h"
#include "surface/DIBSurface.h"
#include "tests/hostile/HostileCases.h"

namespace vorn {
namespace {

// A stream that hides where its bytes lie and reads them at offsets, as a
// file does.
class TOpaqueStream final : public TPositionalStream {
 public:
  explicit TOpaqueStream(const std::vector<uint8_t>& bytes)
      : TPositionalStream(static_cast<int64_t>(bytes.size())), bytes_(bytes) {}

 protected:
  size_t ReadAt(int64_t offset, void* buffer, size_t count) const override {
    if (offset >= Size()) return 0;
    const size_t n = std::min(count, bytes_.size() - static_cast<size_t>(offset));
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
  }

 private:
  const std::vector<uint8_t>& bytes_;
};

// What a load gave: its error, or every frame's header and pixel blocks.
std::string LoadOutcome(const std::vector<uint8_t>& bytes, int32_t passCode, bool whole, bool opaque,
                        unsigned threads = 1) {
  // Every block a worker can take is handed to one.
  TVornFrameList list(passCode, TLoadLimits{.Memory = 256u << 20, .Threads = threads, .SmallestAhead = 0},
                      nullptr);
  list.Context().WholeBlockInflate = whole;
  TMemoryView memory(bytes.data(), bytes.size());
  TOpaqueStream file(bytes);
  std::string outcome;
  try {
    list.LoadFromStream(opaque ? static_cast<TStream&>(file) : memory, false);
  } catch (const std::exception& e) {
    // The budget left when a limit is met differs by the memory the whole
    // block is inflated into; the rest of the message may not.
    std::string message = e.what();
    if (const size_t left = message.find(" left)"); left != std::string::npos)
      message.erase(message.rfind(", ", left), left - message.rfind(", ", left));
    outcome = "failed: " + message + "\n";
  }
  for (int i = 0; i < list.Count(); ++i) {
    const TDIBSurface& s = *list.GetFrame(i).Surface;
    outcome.append(reinterpret_cast<const char*>(s.BitmapInfo()), static_cast<size_t>(s.BitmapInfoSize()));
    outcome.append(reinterpret_cast<const char*>(s.Bits()), static_cast<size_t>(std::max(s.Size(), 0)));
  }
  return outcome;
}

TEST(WholeBlockInflate, GivesTheStreamingInflatersResultForEveryFile) {
  std::vector<hostile::THostileCase> files = hostile::HostileCases();
  for (const hostile::TBaseFile& base : hostile::BaseFiles())
    files.push_back({base.Name, fixtures::WriteVrn(base.File), base.File.passCode, std::nullopt});
  for (const hostile::THostileCase& c : files) {
    const std::string reference = LoadOutcome(c.Bytes, c.PassCode, false, false);
    ASSERT_EQ(LoadOutcome(c.Bytes, c.PassCode, true, false), reference) << c.Name;
    ASSERT_EQ(LoadOutcome(c.Bytes, c.PassCode, true, true), reference) << c.Name << " (file)";
    ASSERT_EQ(LoadOutcome(c.Bytes, c.PassCode, true, false, 8), reference) << c.Name << " (8 threads)";
    ASSERT_EQ(LoadOutcome(c.Bytes, c.PassCode, true, true, 2), reference) << c.Name << " (file, 2 threads)";
  }
}

}  // namespace
}  // namespace vorn
