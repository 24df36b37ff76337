// Hostile .vrn files made from the fixture writer's valid ones: every
// truncation at a structural boundary and a spread of random ones, corrupted
// lengths and counts, bad dimensions and depths, damaged zlib, JPEG and XML
// data, out-of-range block references, and files that ask for far more
// memory than a call may use. The list is deterministic, so the native suite,
// a dump for the Wine host and the fuzz seed corpus all see the same files.
//
// Header-only, so that any test program or tool can include it without a
// build change.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <zlib.h>

#include "tests/fixtures/VrnFixtureBuilders.h"
#include "tests/fixtures/VrnWriter.h"
#include "tests/hostile/ProgressiveJpeg.h"

namespace vorn::hostile {

using fixtures::FxFile;
using fixtures::FxGeneration;

// A valid file, and the identification code it was written with.
struct TBaseFile {
  std::string Name;
  FxFile File;
};

// What each picture call answers (0 or -1), for the cases built to check
// the verdict the format's rules give.
struct TVerdict {
  int32_t Picture, PictureOff, Preview, Info, InfoOff;  // "On": MultiImage on
  friend bool operator==(const TVerdict&, const TVerdict&) = default;
};
inline constexpr TVerdict kEveryCallFails{-1, -1, -1, -1, -1};
inline constexpr TVerdict kEveryCallSucceeds{0, 0, 0, 0, 0};

struct THostileCase {
  std::string Name;  // "<base>/<what was done>", usable as a file name
  std::vector<uint8_t> Bytes;
  int32_t PassCode = 0;
  std::optional<TVerdict> Verdict;
};

// ---------------------------------------------------------------------------
// The valid files: both generations, every storage form.

inline FxFile SimpleFile(FxGeneration generation, int32_t version, int32_t w, int32_t h,
                         int32_t bpp, int32_t frames, int32_t layers, uint8_t compType,
                         int32_t blockW = 0, int32_t blockH = 0, bool alpha = false,
                         int32_t passCode = 0, bool randomized = false) {
  fixtures::FxSimpleOptions o;
  o.generation = generation;
  o.version = version;
  o.width = w;
  o.height = h;
  o.bpp = bpp;
  o.frames = frames;
  o.layersPerFrame = layers;
  o.compType = compType;
  o.blockWidth = blockW;
  o.blockHeight = blockH;
  o.alpha = alpha;
  o.passCode = passCode;
  o.randomized = randomized;
  return fixtures::MakeSimpleFile(o);
}

// A full block table with every block stored except slot `slot`.
inline std::vector<fixtures::FxBlockEntry> TableWith(int32_t n, int32_t slot,
                                                     fixtures::FxBlockEntry entry) {
  std::vector<fixtures::FxBlockEntry> table(static_cast<size_t>(n));
  if (slot >= 0 && slot < n) table[static_cast<size_t>(slot)] = entry;
  return table;
}

inline std::vector<TBaseFile> BaseFiles() {
  const auto B = FxGeneration::Binary;
  const auto X = FxGeneration::Xml;
  std::vector<TBaseFile> files;
  auto add = [&](std::string name, FxFile file) { files.push_back({std::move(name), std::move(file)}); };

  {
    FxFile f = SimpleFile(B, 107, 9, 5, 24, 2, 2, 0, 0, 0, true);
    f.frames[0].layers[1].alphaOn = true;
    f.frames[1].layers[1].alphaOn = true;
    f.frames[1].layers[0].transColor = 0x123456;
    add("v107_zlib_rows_24_alpha", f);
  }
  add("v107_stored_rows_8", SimpleFile(B, 107, 7, 4, 8, 2, 1, 1));
  {
    // 9 x 5 in 4 x 4 blocks: 3 x 2 blocks, clipped; frame 1 repeats and
    // copies blocks.
    FxFile f = SimpleFile(B, 107, 9, 5, 4, 2, 2, 0, 4, 4, true);
    f.frames[1].layers[0].colorBlocks = TableWith(6, 0, {0, 0});
    f.frames[1].layers[0].colorBlocks[1] = {-2, 0};
    f.frames[1].layers[1].alphaBlocks = TableWith(6, 5, {1, 0});
    f.frames[1].layers[1].alphaOn = true;
    add("v107_zlib_blocks_4_refs", f);
  }
  add("v107_jpeg_24_alpha", SimpleFile(B, 107, 16, 8, 24, 1, 1, 2, 0, 0, true));
  add("v107_scrambled_rows_16", SimpleFile(B, 107, 6, 7, 16, 1, 1, 1, 0, 0, false, 1234, true));
  add("v104_scrambled_blocks_32",
      SimpleFile(B, 104, 11, 6, 32, 2, 1, 0, 8, 4, false, -7, true));
  add("v103_stored_blocks_1", SimpleFile(B, 103, 21, 5, 1, 1, 2, 1, 8, 2));
  {
    FxFile f = SimpleFile(B, 102, 6, 4, 8, 2, 1, 0, 0, 0, false, 1234);
    f.v1Stored = true;
    f.header.bgColor = 0x00336699;
    add("v102_stored_8_code", f);
  }
  add("v101_zlib_15_alpha", SimpleFile(B, 101, 5, 3, 15, 1, 2, 0, 0, 0, true));
  add("v099_zlib_4", SimpleFile(B, 99, 5, 3, 4, 2, 1, 0));
  add("v000_zlib_8", SimpleFile(B, 0, 4, 3, 8, 1, 1, 0));
  {
    FxFile f = SimpleFile(B, 105, 6, 4, 24, 1, 3, 1);
    f.header.notFillBG = 1;
    f.frames[0].layers[0].transColor = 0;
    f.frames[0].layers[1].alpha = 100;
    f.frames[0].layers[1].transColor = 0x00FF00;
    f.frames[0].layers[2].visible = false;
    add("v105_notfillbg_mixed_24", f);
  }
  {
    FxFile f = SimpleFile(X, 200, 9, 5, 8, 2, 2, 0, 4, 4, true);
    f.frames[0].layers[1].colorBlocks = TableWith(6, 2, {0, 0});
    f.frames[1].layers[0].colorBlocks = TableWith(6, 4, {-2, 1});
    f.frames[1].layers[1].alphaBlocks = TableWith(6, 0, {0, 0});
    f.frames[1].layers[1].alphaOn = true;
    add("xml_zlib_blocks_8_refs", f);
  }
  {
    FxFile f = SimpleFile(X, 200, 13, 3, 1, 1, 1, 1);
    f.header.blockWidth = 0;
    f.header.blockHeight = 0;
    add("xml_stored_rows_1", f);
  }
  add("xml_scrambled_blocks_16",
      SimpleFile(X, 200, 9, 5, 16, 1, 1, 0, 4, 2, false, 0x7FFFFFFF, true));
  add("xml_jpeg_24_alpha", SimpleFile(X, 200, 16, 8, 24, 1, 2, 2, 0, 0, true));
  {
    FxFile f = SimpleFile(X, 200, 5, 3, 32, 3, 1, 0);
    f.header.blockWidth = 0;
    f.header.blockHeight = 0;
    add("xml_zlib_rows_32_3frames", f);
  }
  add("xml_jpeg_in_8bit_frame", SimpleFile(X, 200, 8, 8, 8, 1, 1, 2));
  {
    // Frames of different sizes and depths meet in the tiled picture.
    FxFile f = SimpleFile(X, 200, 6, 4, 24, 3, 1, 1);
    f.header.blockWidth = 0;
    f.header.blockHeight = 0;
    f.frames[1].bpp = 4;
    f.frames[1].width = 9;
    f.frames[1].layers[0].pixels = fixtures::FxPseudoRandomRows(9, 4, 4, 77);
    f.frames[2].height = 2;
    f.frames[2].layers[0].pixels = fixtures::FxPseudoRandomRows(6, 2, 24, 78);
    add("xml_mixed_frames", f);
  }
  return files;
}

// ---------------------------------------------------------------------------
// Where the fields of a written file lie. Read from the bytes with the layout
// tables, independently of the reader; the structure (frames and layers)
// comes from the description the file was written from.

enum class TFieldKind {
  Signature, Length, BlockLength, FrameCount, LayerCount, RecordCount, Dimension, Depth,
  CompType, Flag, BlockSize, Version, ZlibData, JpegData, StoredData, XmlData, Other
};

struct TField {
  std::string Name;
  size_t Offset = 0;
  size_t Size = 0;
  TFieldKind Kind = TFieldKind::Other;
};

inline int32_t ReadI32(const std::vector<uint8_t>& b, size_t at) {
  if (at + 4 > b.size()) throw std::out_of_range("field outside the file");
  return static_cast<int32_t>(static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
                              static_cast<uint32_t>(b[at + 2]) << 16 |
                              static_cast<uint32_t>(b[at + 3]) << 24);
}

inline void WriteI32(std::vector<uint8_t>& b, size_t at, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

inline std::vector<TField> FileFields(const FxFile& file, const std::vector<uint8_t>& bytes) {
  std::vector<TField> fields;
  size_t p = 0;
  auto add = [&](const std::string& name, size_t size, TFieldKind kind) {
    fields.push_back({name, p, size, kind});
    p += size;
  };
  const fixtures::FxEffectiveHeader header = fixtures::FxResolveHeader(file);
  auto colourKind = [&](int32_t version, int32_t length, int32_t w, int32_t h, int32_t bpp,
                        bool alpha) {
    if (version < 103) {
      const size_t rows = fixtures::FxRowBytes(w, alpha ? 8 : bpp) * static_cast<size_t>(h);
      return static_cast<size_t>(length) == rows ? TFieldKind::StoredData : TFieldKind::ZlibData;
    }
    if (header.compType == 0) return TFieldKind::ZlibData;
    if (header.compType == 2) return alpha ? TFieldKind::ZlibData : TFieldKind::JpegData;
    return TFieldKind::StoredData;
  };
  auto blocks = [&](const std::string& at, int32_t version, int32_t w, int32_t h, int32_t bpp) {
    const int32_t n = ReadI32(bytes, p);
    add(at + "colour_length", 4, TFieldKind::BlockLength);
    add(at + "colour_data", static_cast<size_t>(n), colourKind(version, n, w, h, bpp, false));
    if (version < 100) return;
    const int32_t a = ReadI32(bytes, p);
    add(at + "alpha_length", 4, TFieldKind::BlockLength);
    if (a > 0) add(at + "alpha_data", static_cast<size_t>(a), colourKind(version, a, w, h, bpp, true));
  };

  if (file.generation == FxGeneration::Xml) {
    add("signature", 8, TFieldKind::Signature);
    const int32_t length = ReadI32(bytes, p);
    add("xml_length", 4, TFieldKind::Length);
    add("xml_header", static_cast<size_t>(length), TFieldKind::XmlData);
    for (size_t f = 0; f < file.frames.size(); ++f)
      for (size_t l = 0; l < file.frames[f].layers.size(); ++l)
        blocks("f" + std::to_string(f) + "l" + std::to_string(l) + "_", header.version,
               file.frames[f].width, file.frames[f].height, file.frames[f].bpp);
    return fields;
  }

  int32_t count = 0;
  if (file.version != 0) add("signature", 7, TFieldKind::Signature);
  if (file.version >= 103) {
    const int32_t size = ReadI32(bytes, p);
    add("header_size", 4, TFieldKind::Length);
    const size_t record = p;
    const struct { const char* name; size_t at, size; TFieldKind kind; } inner[] = {
        {"header_version", 0, 4, TFieldKind::Version}, {"header_width", 4, 4, TFieldKind::Dimension},
        {"header_height", 8, 4, TFieldKind::Dimension}, {"header_bpp", 12, 4, TFieldKind::Depth},
        {"header_count", 16, 4, TFieldKind::FrameCount}, {"header_randomized", 21, 1, TFieldKind::Flag},
        {"header_comptype", 22, 1, TFieldKind::CompType}, {"header_blockwidth", 28, 4, TFieldKind::BlockSize},
        {"header_blockheight", 32, 4, TFieldKind::BlockSize}, {"header_notfillbg", 36, 1, TFieldKind::Flag}};
    for (const auto& f : inner)
      if (f.at + f.size <= static_cast<size_t>(size)) fields.push_back({f.name, record + f.at, f.size, f.kind});
    count = static_cast<size_t>(size) >= 20 ? ReadI32(bytes, record + 16) : 0;
    p += static_cast<size_t>(size);
  } else {
    count = ReadI32(bytes, p);
    add("frame_count", 4, TFieldKind::FrameCount);
    add("skipped", 1, TFieldKind::Other);
    if (file.version >= 102) add("bgcolor", 4, TFieldKind::Other);
  }
  const int32_t version = header.version;
  for (int32_t f = 0; f < count; ++f) {
    const std::string at = "f" + std::to_string(f) + "_";
    const int32_t nameLength = ReadI32(bytes, p);
    add(at + "name_length", 4, TFieldKind::Length);
    if (nameLength > 0) add(at + "name", static_cast<size_t>(nameLength), TFieldKind::Other);
    add(at + "transcolor", 4, TFieldKind::Other);
    add(at + "delay", 4, TFieldKind::Other);
    add(at + "disposal", 1, TFieldKind::Other);
    add(at + "skipped", 4, TFieldKind::Other);
    const int32_t layers = ReadI32(bytes, p);
    add(at + "layer_count", 4, TFieldKind::LayerCount);
    const int32_t w = ReadI32(bytes, p);
    add(at + "width", 4, TFieldKind::Dimension);
    const int32_t h = ReadI32(bytes, p);
    add(at + "height", 4, TFieldKind::Dimension);
    const int32_t bpp = ReadI32(bytes, p);
    add(at + "bpp", 4, TFieldKind::Depth);
    if (bpp <= 8) add(at + "palette", size_t{4} << bpp, TFieldKind::Other);
    for (int32_t l = 0; l < layers; ++l) {
      const std::string la = at + "l" + std::to_string(l) + "_";
      add(la + "skipped", 8, TFieldKind::Other);
      add(la + "visible", 1, TFieldKind::Flag);
      add(la + "transcolor", 4, TFieldKind::Other);
      add(la + "alpha", 4, TFieldKind::Other);
      if (version >= 101) add(la + "alphaon", 1, TFieldKind::Flag);
      const int32_t n = ReadI32(bytes, p);
      add(la + "name_length", 4, TFieldKind::Length);
      if (n > 0) add(la + "name", static_cast<size_t>(n), TFieldKind::Other);
      if (version >= 107) add(la + "skipped2", 1, TFieldKind::Other);
      blocks(la, version, w, h, bpp);
    }
    if (version >= 104) {
      for (const char* list : {"records1", "records2"}) {
        const int32_t c = ReadI32(bytes, p);
        add(at + list + "_count", 4, TFieldKind::RecordCount);
        if (c > 0) add(at + list, 16 * static_cast<size_t>(c), TFieldKind::Other);
      }
    }
  }
  return fields;
}

// ---------------------------------------------------------------------------
// The hostile cases.

namespace detail {

inline std::vector<int64_t> ValuesFor(TFieldKind kind, int32_t v) {
  const int64_t lo = INT32_MIN, hi = INT32_MAX;
  switch (kind) {
    case TFieldKind::Length:
    case TFieldKind::BlockLength:
      return {-1, lo, hi, int64_t{v} + 1, int64_t{v} - 1, 0, 0x40000000};
    case TFieldKind::FrameCount:
    case TFieldKind::LayerCount:
      return {-1, lo, hi, int64_t{v} + 1, int64_t{v} - 1, 0, 1000000};
    case TFieldKind::RecordCount:
      return {-1, lo, int64_t{v} + 1, hi, 0x10000000};
    case TFieldKind::Dimension:
      return {0, -1, 1, int64_t{v} + 1, int64_t{v} - 1, 100000, 0x10000, hi, lo};
    case TFieldKind::Depth:
      return {0, -1, 2, 3, 9, 15, 16, 24, 31, 32, 33, 255, hi};
    case TFieldKind::BlockSize:
      return {0, -1, 1, 2, 3, 5, 64, 100000, hi, lo};
    case TFieldKind::Version:
      return {0, 99, 100, 102, 103, 200, -1, hi};
    case TFieldKind::CompType:
      return {0, 1, 2, 3, 255};
    case TFieldKind::Flag:
      return {0, 1, 255};
    default:
      return {};
  }
}

inline std::string ValueName(int64_t v) {
  return v < 0 ? "m" + std::to_string(-v) : std::to_string(v);
}

// Byte positions inside a JPEG stream worth damaging: the frame header's
// height and width.
inline size_t FindSof(const std::vector<uint8_t>& b, size_t from, size_t to) {
  for (size_t i = from; i + 9 <= to; ++i)
    if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC1 || b[i + 1] == 0xC2)) return i;
  return to;
}

}  // namespace detail

// The XML header document of an XML file with one damage applied; the file
// is written again around it (so the length field stays right).
// heavy adds the damages that cost most to parse (deep nesting, thousands
// of elements); one file is enough for them.
inline std::vector<std::pair<std::string, std::string>> XmlDamages(const std::string& doc,
                                                                   bool heavy) {
  std::vector<std::pair<std::string, std::string>> out;
  auto replaceValue = [&](const std::string& attr, const std::string& value, bool all) {
    std::string d = doc;
    const std::string key = " " + attr + "=\"";
    size_t at = 0;
    bool any = false;
    while ((at = d.find(key, at)) != std::string::npos) {
      const size_t start = at + key.size();
      const size_t end = d.find('"', start);
      if (end == std::string::npos) break;
      d.replace(start, end - start, value);
      any = true;
      at = start + value.size();
      if (!all) break;
    }
    if (any) out.push_back({attr + "_" + (all ? "all_" : "") + value, d});
  };
  const char* ints[] = {"-1", "0", "100000", "2147483647", "-2147483648", "$7FFFFFFF", "abc", ""};
  for (const char* attr : {"Count", "Width", "Height", "Bpp"})
    for (const char* v : ints) {
      replaceValue(attr, v, false);
      replaceValue(attr, v, true);
    }
  for (const char* v : {"-1", "0", "1", "3", "100000", "2147483647", "-2147483648"}) {
    replaceValue("BlockWidth", v, false);
    replaceValue("BlockHeight", v, false);
  }
  for (const char* v : {"0", "1", "2", "3", "255", "256"}) replaceValue("CompType", v, false);
  for (const char* v : {"0", "99", "100", "102", "103", "-1"}) replaceValue("Version", v, false);
  for (const char* v : {"1", "0", "true"}) {
    replaceValue("Randomized", v, false);
    replaceValue("AlphaOn", v, true);
    replaceValue("Visible", v, true);
  }
  for (const char* v : {"-1", "0", "1", "254", "256", "-2147483648"}) replaceValue("Alpha", v, true);
  for (const char* v : {"0", "16777215", "-2", "2147483647"}) replaceValue("TransColor", v, true);

  auto edit = [&](const std::string& name, const std::function<bool(std::string&)>& f) {
    std::string d = doc;
    if (f(d)) out.push_back({name, d});
  };
  auto erase = [](std::string& d, const std::string& what) {
    const size_t at = d.find(what);
    if (at == std::string::npos) return false;
    d.erase(at, what.size());
    return true;
  };
  edit("no_declaration", [&](std::string& d) { return erase(d, "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>"); });
  edit("utf8_encoding", [&](std::string& d) {
    const size_t at = d.find("Shift_JIS");
    if (at == std::string::npos) return false;
    d.replace(at, 9, "UTF-8");
    return true;
  });
  edit("no_layers_close", [&](std::string& d) { return erase(d, "</Layers>"); });
  edit("no_frame_close", [&](std::string& d) { return erase(d, "</Frame>"); });
  edit("no_root_close", [&](std::string& d) { return erase(d, "</VornPix>"); });
  edit("no_rgb", [&](std::string& d) {
    const size_t a = d.find("<RGB>"), b = d.find("</RGB>");
    if (a == std::string::npos || b == std::string::npos) return false;
    d.erase(a, b + 6 - a);
    return true;
  });
  edit("short_rgb", [&](std::string& d) {
    const size_t a = d.find("<RGB>");
    if (a == std::string::npos) return false;
    d.erase(a + 5, 7);
    return true;
  });
  edit("rgb_not_hex", [&](std::string& d) {
    const size_t a = d.find("<RGB>");
    if (a == std::string::npos) return false;
    d.replace(a + 5, 6, "12G4ZZ");
    return true;
  });
  edit("layer_renamed", [&](std::string& d) {
    const size_t a = d.find("<Layer ");
    if (a == std::string::npos) return false;
    d.replace(a, 7, "<Lay3r ");
    return true;
  });
  edit("frame_renamed", [&](std::string& d) {
    const size_t a = d.find("<Frame ");
    if (a == std::string::npos) return false;
    d.replace(a, 7, "<Frome ");
    return true;
  });
  edit("unterminated_quote", [&](std::string& d) {
    const size_t a = d.find("Width=\"");
    if (a == std::string::npos) return false;
    d.erase(a + 6, 1);
    return true;
  });
  edit("deep_nesting", [&](std::string& d) {
    const size_t a = d.find("<Frame ");
    if (a == std::string::npos || !heavy) return false;
    std::string nest;
    for (int i = 0; i < 20000; ++i) nest += "<a>";
    d.insert(a, nest);
    return true;
  });
  edit("many_empty_frames", [&](std::string& d) {
    const size_t a = d.find("<Frame ");
    if (a == std::string::npos || !heavy) return false;
    std::string many;
    for (int i = 0; i < 5000; ++i) many += "<Frame/>\n";
    d.insert(a, many);
    return true;
  });
  edit("nul_inside", [&](std::string& d) {
    if (d.size() < 100) return false;
    d[d.size() / 2] = '\0';
    return true;
  });
  edit("entities", [&](std::string& d) {
    const size_t a = d.find("Name=\"");
    if (a == std::string::npos) return false;
    d.insert(a + 6, "&#65535;&#99999999999;&#x41;&amp&lt;&#;&");
    return true;
  });
  for (int k = 1; k <= 7; ++k)
    edit("cut_" + std::to_string(k) + "of8", [&](std::string& d) {
      d.resize(d.size() * static_cast<size_t>(k) / 8);
      return true;
    });
  edit("empty", [&](std::string& d) {
    d.clear();
    return true;
  });
  return out;
}

inline std::vector<THostileCase> HostileCasesOf(const TBaseFile& base) {
  std::vector<THostileCase> cases;
  const FxFile& file = base.File;
  const std::vector<uint8_t> bytes = fixtures::WriteVrn(file);
  const std::vector<TField> fields = FileFields(file, bytes);
  auto add = [&](const std::string& what, std::vector<uint8_t> b) {
    cases.push_back({base.Name + "/" + what, std::move(b), file.passCode, std::nullopt});
  };

  // Truncations at every field boundary (and one byte inside each field).
  std::set<size_t> cuts;
  for (const TField& f : fields) {
    cuts.insert(f.Offset);
    if (f.Size > 1) cuts.insert(f.Offset + f.Size - 1);
    if (f.Size > 8) cuts.insert(f.Offset + f.Size / 2);
  }
  // Seeded from the name (FNV-1a), so every platform makes the same cases.
  uint32_t seed = 2166136261u;
  for (const char c : base.Name) seed = (seed ^ static_cast<uint8_t>(c)) * 16777619u;
  std::mt19937 random(seed);
  for (int i = 0; i < 8; ++i) cuts.insert(random() % bytes.size());
  for (size_t cut : cuts)
    if (cut < bytes.size()) add("cut_at_" + std::to_string(cut), {bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut)});

  // Values written into the fields.
  for (const TField& f : fields) {
    if (f.Size == 4) {
      const int32_t v = ReadI32(bytes, f.Offset);
      for (int64_t value : detail::ValuesFor(f.Kind, v)) {
        if (value == v || value < INT32_MIN || value > INT32_MAX) continue;
        std::vector<uint8_t> b = bytes;
        WriteI32(b, f.Offset, static_cast<int32_t>(value));
        add(f.Name + "=" + detail::ValueName(value), std::move(b));
      }
    } else if (f.Size == 1) {
      for (int64_t value : detail::ValuesFor(f.Kind, bytes[f.Offset])) {
        if (value == bytes[f.Offset]) continue;
        std::vector<uint8_t> b = bytes;
        b[f.Offset] = static_cast<uint8_t>(value);
        add(f.Name + "=" + detail::ValueName(value), std::move(b));
      }
    }
    if (f.Kind == TFieldKind::Signature) {
      for (const char* sig : {"VornX300", "VornX9zz", "Vorn1a3x", "Vorn   x", "Vorn+99x", "Vorn$FFx",
                              "Vorn-01x", "VornXXXX", "VORN107x"}) {
        std::vector<uint8_t> b = bytes;
        std::memcpy(b.data() + f.Offset, sig, f.Size);
        std::string name(sig, f.Size);
        for (char& c : name)
          if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        add("signature=" + name, std::move(b));
      }
    }
    if ((f.Kind == TFieldKind::ZlibData || f.Kind == TFieldKind::JpegData ||
         f.Kind == TFieldKind::XmlData) && f.Size >= 4) {
      const size_t a = f.Offset, e = f.Offset + f.Size;
      auto damaged = [&](const std::string& what, const std::function<void(std::vector<uint8_t>&)>& d) {
        std::vector<uint8_t> b = bytes;
        d(b);
        add(f.Name + "_" + what, std::move(b));
      };
      damaged("first_byte", [&](auto& b) { b[a] ^= 0x5A; });
      damaged("second_byte", [&](auto& b) { b[a + 1] ^= 0xFF; });
      damaged("middle_byte", [&](auto& b) { b[a + f.Size / 2] ^= 0x81; });
      damaged("last_byte", [&](auto& b) { b[e - 1] ^= 0x01; });
      damaged("zero_tail", [&](auto& b) { std::fill(b.begin() + static_cast<ptrdiff_t>(a + f.Size / 2), b.begin() + static_cast<ptrdiff_t>(e), 0); });
      damaged("all_ff", [&](auto& b) { std::fill(b.begin() + static_cast<ptrdiff_t>(a), b.begin() + static_cast<ptrdiff_t>(e), 0xFF); });
      if (f.Kind == TFieldKind::JpegData) {
        const size_t sof = detail::FindSof(bytes, a, e);
        if (sof + 9 <= e) {
          // Marker, length, precision, then height and width (big-endian).
          for (const auto& [name, h, w] : {std::tuple{"sof_0x0", 0, 0}, std::tuple{"sof_huge", 0xFFFF, 0xFFFF},
                                          std::tuple{"sof_taller", 9, 16}, std::tuple{"sof_wider", 8, 17}}) {
            std::vector<uint8_t> b = bytes;
            b[sof + 5] = static_cast<uint8_t>(h >> 8);
            b[sof + 6] = static_cast<uint8_t>(h);
            b[sof + 7] = static_cast<uint8_t>(w >> 8);
            b[sof + 8] = static_cast<uint8_t>(w);
            add(f.Name + "_" + name, std::move(b));
          }
          std::vector<uint8_t> b = bytes;
          b[sof + 9] = 7;  // component count
          add(f.Name + "_sof_components", std::move(b));
        }
      }
    }
  }

  // A spread of random byte damage.
  for (int i = 0; i < 8; ++i) {
    std::vector<uint8_t> b = bytes;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int k = 0; k < flips; ++k) b[random() % b.size()] = static_cast<uint8_t>(random());
    add("random_bytes_" + std::to_string(i), std::move(b));
  }

  // Damaged XML, written again with a right length.
  if (file.generation == FxGeneration::Xml) {
    const std::string doc = fixtures::FxBuildXmlHeader(file);
    for (auto& [what, text] : XmlDamages(doc, base.Name.rfind("xml_zlib_blocks", 0) == 0)) {
      FxFile f = file;
      f.xmlDocument = text;
      add("xml_" + what, fixtures::WriteVrn(f));
    }
  }

  // Out-of-range block references, written into a layer's table.
  const fixtures::FxEffectiveHeader header = fixtures::FxResolveHeader(file);
  if (fixtures::FxUsesBlocks(file) && !file.frames.empty()) {
    const auto& frame = file.frames.back();
    const int32_t bx = fixtures::FxBlocksAcross(frame.width, header.blockWidth);
    const int32_t by = fixtures::FxBlocksDown(frame.height, header.blockHeight);
    const int32_t n = bx * by;
    const int32_t frames = static_cast<int32_t>(file.frames.size());
    const struct { const char* name; int32_t source, index; } refs[] = {
        {"repeat_past_table", -2, n}, {"repeat_negative", -2, -1}, {"repeat_huge", -2, INT32_MAX},
        {"repeat_clipped", -2, n - 1}, {"source_m3", -3, 0}, {"source_min", INT32_MIN, 0},
        {"later_frame", frames, 0}, {"huge_frame", INT32_MAX, 0}, {"layer_past_end", 0, 99},
        {"layer_negative", 0, -1}, {"this_layer", frames - 1,
                                    static_cast<int32_t>(frame.layers.size()) - 1}};
    for (const auto& ref : refs) {
      for (int32_t slot : {0, n - 1}) {
        for (bool alpha : {false, true}) {
          FxFile f = file;
          auto& layer = f.frames.back().layers.back();
          if (alpha && layer.alphaPlane.empty()) continue;
          auto& table = alpha ? layer.alphaBlocks : layer.colorBlocks;
          if (table.empty()) table.assign(static_cast<size_t>(n), {});
          table[static_cast<size_t>(slot)] = {ref.source, ref.index};
          add(std::string("ref_") + ref.name + "_slot" + std::to_string(slot) + (alpha ? "_alpha" : ""),
              fixtures::WriteVrn(f));
        }
      }
    }
    // A table whose every entry copies from the first layer of frame 0,
    // which has no alpha data in some files.
    FxFile f = file;
    auto& layer = f.frames.back().layers.back();
    layer.colorBlocks.assign(static_cast<size_t>(n), {0, 0});
    if (!layer.alphaPlane.empty()) layer.alphaBlocks.assign(static_cast<size_t>(n), {0, 0});
    add("ref_all_from_first_layer", fixtures::WriteVrn(f));
  }
  return cases;
}

// Files that ask for far more memory or work than a call may spend: each
// must fail at once.
inline std::vector<THostileCase> ResourceCases() {
  std::vector<THostileCase> cases;
  auto add = [&](const std::string& name, const FxFile& f) {
    cases.push_back({"limits/" + name, fixtures::WriteVrn(f), f.passCode, std::nullopt});
  };
  for (const auto generation : {FxGeneration::Binary, FxGeneration::Xml}) {
    const std::string g = generation == FxGeneration::Xml ? "xml_" : "bin_";
    FxFile f = SimpleFile(generation, 107, 4, 4, 32, 1, 1, 1);
    f.header.blockWidth = 0;
    f.header.blockHeight = 0;
    f.frames[0].width = 100000;
    f.frames[0].height = 100000;
    f.frames[0].layers.clear();
    add(g + "100000x100000", f);

    // A million layers declared, one present.
    f = SimpleFile(generation, 107, 1, 1, 8, 1, 1, 1);
    f.header.blockWidth = 0;
    f.header.blockHeight = 0;
    f.frames[0].layerCount = 1000000;
    add(g + "million_layers_declared", f);

    // A million frames declared, one present.
    f = SimpleFile(generation, 107, 1, 1, 8, 1, 1, 1);
    f.header.blockWidth = 0;
    f.header.blockHeight = 0;
    f.header.count = 1000000;
    add(g + "million_frames_declared", f);

    // A colour block of 2^31 - 1 bytes.
    f = SimpleFile(generation, 107, 4, 4, 24, 1, 1, 1);
    f.frames[0].layers[0].colorLength = INT32_MAX;
    add(g + "block_length_2g", f);

    // Many layers of 16 MiB whose zero pixels compress to almost nothing.
    f = SimpleFile(generation, 107, 1, 1, 32, 1, 1, 0);
    f.frames[0].width = f.frames[0].height = 2048;
    f.header.blockWidth = 0;
    f.header.blockHeight = 0;
    fixtures::FxLayer zero;
    zero.colorBytes = fixtures::FxZlib(std::vector<uint8_t>(16u << 20, 0), 9);
    f.frames[0].layers.assign(100, zero);
    add(g + "100_layers_of_16mb", f);

    // A block table of one entry per pixel whose data hold eight entries:
    // the other four million are copies from the layer itself. Work must
    // follow the data, not the table's size. (Both generations share the
    // decoder: one is enough.)
    for (const bool scrambled : {false, true}) {
      if (generation == FxGeneration::Xml) break;
      f = SimpleFile(generation, 107, 1, 1, 32, 1, 1, 1, 0, 0, false, scrambled ? 1234 : 0,
                     scrambled);
      f.frames[0].width = f.frames[0].height = 2048;
      f.header.blockWidth = 1;
      f.header.blockHeight = 1;
      f.frames[0].layers[0].colorBytes = std::vector<uint8_t>(64, 0xFF);
      add(g + (scrambled ? "block_table_bomb_scrambled" : "block_table_bomb"), f);
    }

    // A 4 x 4 first frame and a 20000 x 20000 1-bit second one: the tiled
    // picture shows a 4 x 4 corner of it, and only that may be converted.
    f = SimpleFile(generation, 107, 4, 4, 32, 2, 1, 1);
    f.header.blockWidth = 0;
    f.header.blockHeight = 0;
    f.frames[1].width = f.frames[1].height = 20000;
    f.frames[1].bpp = 1;
    f.frames[1].layers.clear();
    add(g + "huge_second_frame_of_other_depth", f);
  }
  {
    // 16 MiB of "<>" make a token and an element every two bytes.
    FxFile f = SimpleFile(FxGeneration::Xml, 200, 4, 4, 24, 1, 1, 1);
    std::string doc = fixtures::FxBuildXmlHeader(f);
    std::string bomb;
    bomb.reserve(16u << 20);
    while (bomb.size() < (16u << 20)) bomb += "<>";
    doc.insert(doc.find("<Frame "), bomb);
    f.xmlDocument = doc;
    add("xml_header_token_bomb", f);
  }
  {
    // An XML header that inflates beyond 16 MiB: cut, never held whole.
    FxFile f = SimpleFile(FxGeneration::Xml, 200, 4, 4, 24, 1, 1, 1);
    std::string doc = fixtures::FxBuildXmlHeader(f);
    doc.insert(doc.find("<Frame "), std::string(20u << 20, ' '));
    f.xmlDocument = doc;
    add("xml_header_20mb", f);
  }
  {
    // A progressive JPEG layer of 5000 scans, each a pass over 2048 x 2048
    // pixels, in 80 KB; and one of 400 scans, which is still read.
    FxFile f = SimpleFile(FxGeneration::Xml, 200, 1, 1, 24, 1, 1, 2);
    f.frames[0].width = f.frames[0].height = 2048;
    f.frames[0].layers[0].colorBytes = ManyScanJpeg(2048, 2048, 5000);
    add("xml_jpeg_5000_scans", f);
    f.frames[0].width = f.frames[0].height = 64;
    f.frames[0].layers[0].colorBytes = ManyScanJpeg(64, 64, 400);
    add("xml_jpeg_400_scans", f);
  }
  {
    // A zlib bomb in a 1 x 1 layer: the row takes 4 bytes, the rest is only
    // checked (in block mode the table and one row, however wide a block
    // is), and fails once it goes 64 MiB (or the budget) past them.
    const std::vector<uint8_t> bomb = fixtures::FxZlib(std::vector<uint8_t>(64u << 20, 0), 9);
    FxFile f = SimpleFile(FxGeneration::Binary, 107, 1, 1, 8, 1, 1, 0);
    f.frames[0].layers[0].colorBytes = bomb;
    add("bin_zlib_bomb", f);
    f = SimpleFile(FxGeneration::Xml, 200, 1, 1, 8, 1, 1, 0);
    f.header.blockWidth = INT32_MAX;
    f.header.blockHeight = 1;
    f.frames[0].layers[0].colorBytes = bomb;
    add("xml_zlib_bomb_wide_blocks", f);
  }
  return cases;
}

// Damage the format's rules find where the reader once looked no further,
// each with the verdict the rules give. The rules inflate a zlib block
// whole before any row is copied: a frame without rows whose block is no
// zlib stream fails, as does a stream damaged after the bytes the rows
// need; a stream that makes more than the rows is a picture. One verdict
// is ours: a stream that makes 64 MiB more than its target takes fails as
// over the limit (the rules would inflate it all).
inline std::vector<THostileCase> VerdictCases() {
  std::vector<THostileCase> cases;
  const auto add = [&](const std::string& name, const FxFile& f, TVerdict verdict) {
    cases.push_back({"verdict/" + name, fixtures::WriteVrn(f), f.passCode, verdict});
  };
  const std::vector<uint8_t> stored(24, 0x11);  // not a zlib stream
  for (const int32_t height : {0, -2}) {
    const std::string h = height == 0 ? "0" : "minus2";
    FxFile f = SimpleFile(FxGeneration::Binary, 102, 8, 4, 24, 1, 1, 0);
    f.frames[0].height = height;
    f.frames[0].layers[0].colorBytes = stored;
    add("bin102_height_" + h + "_stored_block", f, kEveryCallFails);
    f = SimpleFile(FxGeneration::Xml, 200, 8, 4, 24, 1, 1, 0);
    f.frames[0].height = height;
    f.frames[0].layers[0].colorBytes = stored;
    add("xml_height_" + h + "_stored_block", f, kEveryCallFails);
  }
  FxFile f = SimpleFile(FxGeneration::Xml, 200, 8, 4, 24, 1, 1, 0);
  std::vector<uint8_t> rows = f.frames[0].layers[0].pixels;
  rows.resize(fixtures::FxRowBytes(8, 24) * 4);
  // The rows in blocks flushed to a byte boundary, then the last block of
  // the reserved type 3: inflation gives every row, then fails.
  std::vector<uint8_t> damaged(rows.size() + 1024);
  z_stream z{};
  deflateInit(&z, 6);
  z.next_in = rows.data();
  z.avail_in = static_cast<uInt>(rows.size());
  z.next_out = damaged.data();
  z.avail_out = static_cast<uInt>(damaged.size());
  deflate(&z, Z_FULL_FLUSH);
  damaged.resize(damaged.size() - z.avail_out);
  deflateEnd(&z);
  damaged.push_back(0x07);  // BFINAL 1, BTYPE 3
  f.frames[0].layers[0].colorBytes = damaged;
  add("xml_zlib_damaged_after_the_rows", f, kEveryCallFails);
  std::vector<uint8_t> more = rows;
  more.resize(rows.size() + 1000, 0x5A);
  f.frames[0].layers[0].colorBytes = fixtures::FxZlib(more, 6);
  add("xml_zlib_more_than_the_rows", f, kEveryCallSucceeds);
  more.resize(rows.size() + (65u << 20), 0);
  f.frames[0].layers[0].colorBytes = fixtures::FxZlib(more, 9);
  add("xml_zlib_64mb_more_than_the_rows", f, kEveryCallFails);
  return cases;
}

// Every hostile case of every base file, then the resource cases and the
// verdict cases.
inline std::vector<THostileCase> HostileCases() {
  std::vector<THostileCase> all;
  for (const TBaseFile& base : BaseFiles()) {
    std::vector<THostileCase> some = HostileCasesOf(base);
    all.insert(all.end(), std::make_move_iterator(some.begin()), std::make_move_iterator(some.end()));
  }
  std::vector<THostileCase> limits = ResourceCases();
  all.insert(all.end(), std::make_move_iterator(limits.begin()), std::make_move_iterator(limits.end()));
  std::vector<THostileCase> verdicts = VerdictCases();
  all.insert(all.end(), std::make_move_iterator(verdicts.begin()), std::make_move_iterator(verdicts.end()));
  return all;
}

}  // namespace vorn::hostile
