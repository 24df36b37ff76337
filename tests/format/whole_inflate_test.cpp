// Whole-block inflation is only a faster way to the same result: every
// fixture-writer file and every hostile file loads to the same frames, or
// fails with the same error, with it and with the streaming inflater alone,
// from memory and through a file-like stream.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/VornFrame.h"
#include "format/VornFrameList.h"
#include "support/Stream.h"
#include "surface/DIBSurface.h"
#include "tests/hostile/HostileCases.h"

namespace vorn {
namespace {

// A stream that hides where its bytes lie, as a file does.
class TOpaqueStream final : public TStream {
 public:
  explicit TOpaqueStream(const std::vector<uint8_t>& bytes) : view_(bytes.data(), bytes.size()) {}
  int64_t Size() const override { return view_.Size(); }
  int64_t Position() const override { return view_.Position(); }
  void Seek(int64_t position) override { view_.Seek(position); }
  size_t Read(void* buffer, size_t count) override { return view_.Read(buffer, count); }

 private:
  TMemoryView view_;
};

// What a load gave: its error, or every frame's header and pixel blocks.
std::string LoadOutcome(const std::vector<uint8_t>& bytes, int32_t passCode, bool whole, bool opaque) {
  TVornFrameList list(passCode, TLoadLimits{.Memory = 256u << 20}, nullptr);
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
  }
}

}  // namespace
}  // namespace vorn
