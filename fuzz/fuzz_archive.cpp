// GetArchiveInfo on memory input (the first byte: the identification code,
// FuzzSettings.h, and the W form by its own switch), and the same bytes
// listed through the API with each entry made into its BMP file. The call
// lists what the API lists, and a frame that decodes makes a BMP file of
// exactly the size its entry states.
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

// As in fuzz_api: enough frames to reach every code path.
constexpr size_t kMaxFrames = 16;

// The sizes the records state, up to the one that ends the list; frees the block.
template <class Record>
std::vector<uint64_t> ListedSizes(platform::THostHandle list) {
  const size_t room = platform::HostSize(list) / sizeof(Record);
  const auto* records = static_cast<const Record*>(platform::HostLock(list));
  if (records == nullptr || room == 0) Fail("GetArchiveInfo handed over an unusable block");
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
  const int32_t result = options.Extra ? vorn::GetArchiveInfoCallW(request, &list)
                                       : vorn::GetArchiveInfoCall(request, &list);
  if ((result == vorn::kArchiveOk) != (list != nullptr)) Fail("GetArchiveInfo's result and block disagree");
  std::vector<uint64_t> sizes;
  if (list != nullptr)
    sizes = options.Extra ? ListedSizes<vorn::SusieFileInfoW>(list) : ListedSizes<vorn::SusieFileInfo>(list);

  vorn_options api{};  // the memory limit is the environment's, as for the call
  api.struct_size = sizeof api;
  api.pass_code = vorn::fuzz::kPassCodes[options.PassCode];
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
