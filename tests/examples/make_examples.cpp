// Writes the bundled example files (examples/*.vrn) with the fixture writer.
// usage: vorn_make_examples OUT_DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/fixtures/BundledExamples.h"

namespace {

using namespace vorn::fixtures;

void Save(const std::filesystem::path& dir, const char* name, const FxFile& file) {
  const auto bytes = WriteVrn(file);
  std::ofstream(dir / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::printf("%s: %zu bytes\n", name, bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vorn_make_examples OUT_DIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  for (const FxBundledExample& example : BundledExamples())
    Save(dir, example.Name.c_str(), example.File);
  return 0;
}
