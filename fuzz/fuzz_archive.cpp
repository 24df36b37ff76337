// GetArchiveInfo on memory input (the first byte chooses the identification
// code, FuzzSettings.h), and the same bytes listed through the API with each
// entry made into its BMP file. The call lists what the API lists, and a
// frame that decodes makes a BMP file of exactly the size its entry states.
#include <cstdint>
#include <exception>
#include <vector>

#include "archive/FrameArchive.h"
#include "archive/FrameEntries.h"
#include "fuzz/FuzzSettings.h"
#include "vorn/vorn.h"

namespace {

using vorn::fuzz::Fail;
namespace platform = vorn::platform;

constexpr size_t kMaxFrames = 16;  // as in fuzz_api: enough to reach every code path

// The sizes the records state, up to the one that ends the list; frees the block.
std::vector<uint64_t> ListedSizes(platform::THostHandle list) {
  const size_t room = platform::HostSize(list) / sizeof(vorn::SusieFileInfo);
  const auto* records = static_cast<const vorn::SusieFileInfo*>(platform::HostLock(list));
  if (records == nullptr) Fail("GetArchiveInfo's block does not lock");
  std::vector<uint64_t> sizes;
  for (size_t i = 0; i < room && records[i].method[0] != 0; ++i) sizes.push_back(records[i].filesize);
  if (sizes.size() == room) Fail("GetArchiveInfo's list has no end record");
  platform::HostUnlock(list);
  if (platform::HostFree(list) != nullptr) Fail("GetArchiveInfo's block does not free");
  return sizes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const auto options = vorn::fuzz::TFuzzOptions::FromByte(data[0]);
  vorn::fuzz::Environment().Apply(options);
  const vorn::TArchiveRequest request{reinterpret_cast<const char*>(data + 1), nullptr,
                                      static_cast<intptr_t>(size - 1), 1};
  platform::THostHandle list = nullptr;
  const int32_t result = vorn::GetArchiveInfoCall(request, &list);
  if ((result == vorn::kArchiveOk) != (list != nullptr)) Fail("GetArchiveInfo's result and block disagree");
  const std::vector<uint64_t> sizes = list != nullptr ? ListedSizes(list) : std::vector<uint64_t>();
  // The memory limit is the environment's, as for the call.
  const vorn_options api{.struct_size = sizeof(vorn_options),
                         .pass_code = vorn::fuzz::kPassCodes[options.PassCode]};
  vorn_image* image = nullptr;
  std::vector<vorn::TFrameEntry> entries;
  bool listed = vorn_open_memory(data + 1, size - 1, &api, &image) == VORN_OK;
  try {
    if (listed) entries = vorn::ListFrameEntries(image);
  } catch (const std::exception&) {
    listed = false;
  }
  if (listed != (result == vorn::kArchiveOk) || sizes.size() != entries.size())
    Fail("GetArchiveInfo and the API list the file differently");
  for (size_t i = 0; i < entries.size(); ++i) {
    if (sizes[i] != entries[i].FileSize) Fail("a record's size is not its entry's");
    vorn_dib dib{};
    if (i >= kMaxFrames || vorn_decode_frame_dib(image, entries[i].Frame, &dib) != VORN_OK) continue;
    if (vorn::BmpFile(dib).size() != entries[i].FileSize) Fail("a BMP file's size is not its entry's");
  }
  vorn_close(image);
  return 0;
}
