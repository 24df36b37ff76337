// Writes the seed corpora of the fuzz targets from the fixture writer's valid
// files: fuzz/corpus/<target>/<name>. Usage: vorn_fuzz_corpus <corpus dir>.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/FuzzOptions.h"
#include "tests/hostile/HostileCases.h"

namespace {

namespace fs = std::filesystem;
using vorn::fuzz::TFuzzOptions;

void Write(const fs::path& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
  fs::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> WithOptions(const TFuzzOptions& options, const std::vector<uint8_t>& file) {
  std::vector<uint8_t> input{options.ToByte()};
  input.insert(input.end(), file.begin(), file.end());
  return input;
}

int CodeIndex(int32_t passCode) {
  for (int i = 0; i < 4; ++i)
    if (vorn::fuzz::kPassCodes[i] == passCode) return i;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus dir>\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  int written = 0;
  int variant = 0;
  for (const auto& base : vorn::hostile::BaseFiles()) {
    const std::vector<uint8_t> file = vorn::fixtures::WriteVrn(base.File);
    // The settings the file was written for, with the screens and MultiImage
    // taking turns across the files.
    TFuzzOptions options;
    options.PassCode = CodeIndex(base.File.passCode);
    options.MultiImage = variant % 3 != 2;
    options.Screen = variant % 4;
    Write(root / "fuzz_picture", base.Name, WithOptions(options, file));
    options.Extra = true;
    options.MultiImage = true;
    Write(root / "fuzz_picture_info", base.Name, WithOptions(options, file));
    std::vector<uint8_t> api{static_cast<uint8_t>(base.File.passCode == 4242 ? 1 : 0)};
    api.insert(api.end(), file.begin(), file.end());
    Write(root / "fuzz_api", base.Name, api);
    TFuzzOptions archive;  // the file's code, the other settings unused
    archive.PassCode = options.PassCode;
    Write(root / "fuzz_archive", base.Name, WithOptions(archive, file));
    written += 4;
    ++variant;

    if (base.File.generation == vorn::fixtures::FxGeneration::Xml) {
      const std::string doc = vorn::fixtures::FxBuildXmlHeader(base.File);
      std::vector<uint8_t> input{static_cast<uint8_t>(variant & 1)};
      input.insert(input.end(), doc.begin(), doc.end());
      Write(root / "fuzz_xml", base.Name, input);
      ++written;
    }
  }
  // The small files of the resource cases (huge declarations, a progressive
  // JPEG), with the default settings.
  for (const auto& c : vorn::hostile::ResourceCases()) {
    if (c.Bytes.size() > 8192) continue;
    TFuzzOptions options;
    options.PassCode = CodeIndex(c.PassCode);
    std::string name = c.Name.substr(c.Name.find('/') + 1);
    Write(root / "fuzz_picture", name, WithOptions(options, c.Bytes));
    Write(root / "fuzz_archive", name, WithOptions(options, c.Bytes));
    written += 2;
  }

  const char* snippets[] = {
      "\x01<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<a b=\"1\" c=\"$10\"><b/>text&amp;&#9650;</a>",
      "\x00<Frame Name=\"\x83\x65\x83\x58\x83\x67\" Delay=\"0x10\">\n<Layers Count=\" -3\"/></Frame>",
      "\x00<a><!-- x --><b c=\"d\"e=f>\"<\"</b></a>"};
  int k = 0;
  for (const char* s : snippets) {
    const std::string text(s, 1 + std::char_traits<char>::length(s + 1));
    Write(root / "fuzz_xml", "snippet" + std::to_string(k++), {text.begin(), text.end()});
    ++written;
  }

  // IsSupported: name length (and input kind) byte, name, head bytes.
  const struct { const char* name; const char* head; bool handle; } tests[] = {
      {"a.vrn", "VornX200", false}, {"pic.VRN", "xxxxxxx", true}, {"noext", "Vorn105", false},
      {"noext", "Vorn107", true},   {"dir.d\\file", "VornX", false}, {"x.bmp", "VornX200", false},
      {"\x83\x5c.vrn", "Vorn100", false}, {"", "Vorn 99", true}};
  k = 0;
  for (const auto& t : tests) {
    const std::string name = t.name, head = t.head;
    std::vector<uint8_t> input{static_cast<uint8_t>(name.size() | (t.handle ? 0x80 : 0))};
    input.insert(input.end(), name.begin(), name.end());
    input.insert(input.end(), head.begin(), head.end());
    Write(root / "fuzz_is_supported", "case" + std::to_string(k++), input);
    ++written;
  }
  std::printf("%d seed files written under %s\n", written, root.c_str());
  return 0;
}
