// vrnconv's command line: what to write, where, and how loudly. Parsing
// checks every combination; a mistake is a TUsageError (exit status 2).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Screen.h"

namespace vorn::tools {

// What each input becomes.
enum class TMode {
  FirstFrame,  // the first frame as PNG
  Sheet,       // every frame tiled as GetPicture delivers them, PNG
  Frames,      // every frame as frame-NNN.png in a folder
  Animate,     // every frame as an animated WebP
  Thumbnail,   // the first frame scaled down to fit a square, PNG
  InfoOnly,    // nothing written, only --info or --json printed
};

struct TOptions {
  std::vector<std::string> Inputs;  // UTF-8 names; "-" is standard input
  std::string Output;               // -o; empty: beside each input
  TMode Mode = TMode::FirstFrame;
  bool Info = false, Json = false;
  bool NoClobber = false, Quiet = false, Verbose = false;
  std::optional<int32_t> PassCode;
  platform::TScreenSize Screen;  // for --sheet
  int32_t ThumbnailSize = 0;
  std::vector<std::string> Sets;
  bool ShowSettings = false;
  // Warnings about options that do nothing in this combination.
  std::vector<std::string> Warnings;
};

class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A UTF-8 name as a path, on every system.
std::filesystem::path PathOf(const std::string& utf8);
// Whether -o names a folder: one that exists, or a name ending in a slash.
bool IsFolder(const std::string& utf8);

// The whole --help text.
const std::string& HelpText();

// args without the program name. Returns nothing when the arguments asked
// for --help or --version, which it has printed.
std::optional<TOptions> ParseArguments(const std::vector<std::string>& args);

}  // namespace vorn::tools
