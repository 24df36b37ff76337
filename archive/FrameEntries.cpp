#include "archive/FrameEntries.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

#include "platform/AnsiText.h"
#include "platform/WideText.h"
#include "support/ShiftJis.h"
#include "support/VornError.h"

namespace vorn {

namespace {

bool Forbidden(char16_t c) {
  return c < 0x20 || c == 0x7F || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos;
}

std::string Number(uint32_t frame, uint32_t count) {
  std::string digits = std::to_string(frame);
  const size_t width = std::to_string(count).size();
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// Units left for the frame's name between the number and ".bmp".
size_t NameRoom(size_t prefix) { return kEntryNameUnits - 1 - prefix - 4; }

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::string AnsiEntryName(uint32_t frame, uint32_t count, const std::string& cp932Name,
                          bool (*systemLead)(unsigned char)) {
  std::string result = Number(frame, count);
  if (!cp932Name.empty()) {
    result += ' ';
    const size_t room = NameRoom(result.size());
    std::string name;
    for (size_t i = 0; i < cp932Name.size();) {
      const auto c = static_cast<uint8_t>(cp932Name[i]);
      const bool pair = IsSjisLead(cp932Name[i]) && i + 1 < cp932Name.size();
      const size_t length = pair ? 2 : 1;
      if (name.size() + length > room) break;
      if (pair) {
        const auto trail = static_cast<unsigned char>(cp932Name[i + 1]);
        if (systemLead(c) || !Forbidden(trail))
          name.append(cp932Name, i, 2);
        else
          name += '_';
      } else {
        // Half a character, and bytes no character of the code page uses.
        const bool bad = IsSjisLead(cp932Name[i]) || c == 0x80 || c == 0xA0 || c >= 0xFD ||
                         (c < 0x80 && Forbidden(c));
        name += bad ? '_' : static_cast<char>(c);
      }
      i += length;
    }
    result += name;
  }
  return result + ".bmp";
}

std::u16string WideEntryName(uint32_t frame, uint32_t count, const std::u16string& name) {
  const std::string number = Number(frame, count);
  std::u16string result(number.begin(), number.end());
  if (!name.empty()) {
    result += u' ';
    const size_t room = NameRoom(result.size());
    size_t kept = 0;
    for (size_t i = 0; i < name.size() && kept < room;) {
      const char16_t c = name[i];
      const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
                        name[i + 1] <= 0xDFFF;
      if (pair) {
        if (kept + 2 > room) break;
        result.append(name, i, 2);
        kept += 2;
        i += 2;
        continue;
      }
      const bool lone = c >= 0xD800 && c <= 0xDFFF;
      result += Forbidden(c) || lone ? u'_' : c;
      ++kept;
      ++i;
    }
  }
  return result + u".bmp";
}

std::vector<TFrameEntry> ListFrameEntries(vorn_image* image) {
  uint32_t count = 0;
  if (const vorn_status status = vorn_scan_frames(image, &count); status != VORN_OK)
    throw EVornError(vorn_status_text(status));
  std::vector<TFrameEntry> entries;
  for (uint32_t frame = 0; frame < count; ++frame) {
    vorn_frame_header header{};
    if (const vorn_status status = vorn_get_frame_header(image, frame, &header); status != VORN_OK)
      throw EVornError(vorn_status_text(status));
    if (header.dib_info_size == 0 || header.dib_bits_size == 0) continue;
    const std::string stored = header.stored_name;
    entries.push_back(TFrameEntry{frame, AnsiEntryName(frame, count, stored, platform::IsAnsiLeadByte),
                                  WideEntryName(frame, count, platform::Utf16FromCp932(stored)),
                                  kBmpFileHeaderSize + header.dib_info_size + header.dib_bits_size});
  }
  return entries;
}

std::vector<uint8_t> BmpFile(const vorn_dib& dib) {
  const size_t size = kBmpFileHeaderSize + dib.info_size + dib.bits_size;
  if (dib.info_size == 0 || dib.bits_size == 0 || size > UINT32_MAX)
    throw std::length_error("no picture for a BMP file");
  std::vector<uint8_t> bytes(size);
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put32(bytes, 2, static_cast<uint32_t>(size));
  Put32(bytes, 10, static_cast<uint32_t>(kBmpFileHeaderSize + dib.info_size));
  std::memcpy(bytes.data() + kBmpFileHeaderSize, dib.info, dib.info_size);
  std::memcpy(bytes.data() + kBmpFileHeaderSize + dib.info_size, dib.bits, dib.bits_size);
  return bytes;
}

}  // namespace vorn
