#include "converter/Options.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support/DecimalText.h"
#include "vorn/vorn.h"

namespace vorn::tools {

namespace {

bool EndsWith(const std::string& text, const char* tail) {
  const std::string t(tail);
  if (text.size() < t.size()) return false;
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = text[text.size() - t.size() + i];
    if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != t[i]) return false;
  }
  return true;
}

int32_t Number(const std::string& text, const std::string& option) {
  int32_t value = 0;
  if (!TryParseDecimal(text, value)) throw TUsageError(option + " wants a number, not '" + text + "'");
  return value;
}

platform::TScreenSize Screen(const std::string& text, const std::string& where) {
  const auto size = platform::ParseScreenSize(text);
  if (!size) throw TUsageError(where + " wants WIDTHxHEIGHT, not '" + text + "'");
  return *size;
}

}  // namespace

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool IsFolder(const std::string& utf8) {
  if (!utf8.empty() && (utf8.back() == '/' || utf8.back() == '\\')) return true;
  std::error_code error;
  return std::filesystem::is_directory(PathOf(utf8), error);
}

const std::string& HelpText() {
  static const std::string text =
      "usage: vrnconv [options] FILE.vrn...\n"
      "Converts Vornpix .vrn files to PNG (the first frame, the tiled sheet, every\n"
      "frame, a thumbnail) or to an animated WebP, and prints what a file holds.\n"
      "\n"
      "Where to write:\n"
      "  -o, --output PATH  a file for one input; a folder (existing, or ending in /)\n"
      "                     for several; '-' for standard output. Without -o, FILE.vrn\n"
      "                     gives FILE.png (FILE.webp with --animate, the folder\n"
      "                     FILE-frames with --frames) beside it. Every other name\n"
      "                     on the line is an input, never an output.\n"
      "  -n, --no-clobber   never replace an existing file: that output fails instead\n"
      "                     (otherwise an existing output is replaced, complete or\n"
      "                     not at all: a failed write leaves the old file as it was)\n"
      "What to write (one of them; default: the first frame as PNG):\n"
      "      --sheet        all frames tiled into one picture fitted to the screen, as\n"
      "                     the plug-in's GetPicture delivers them\n"
      "      --screen WxH   the screen for --sheet (default: $VORN_SCREEN, else\n"
      "                     1920x1080; on Windows the screen's own size)\n"
      "      --frames       every frame as frame-NNN.png in a folder that must be new\n"
      "                     or empty, so old frames never mix with new ones\n"
      "      --animate      every frame as a lossless animated WebP with its delay\n"
      "                     (an output name ending in .webp chooses it too). Delays\n"
      "                     are milliseconds, as the editor stores them\n"
      "      --thumbnail N  the first frame scaled down to fit N x N pixels (PNG)\n"
      "      --info         print what each file holds (nothing is written unless -o\n"
      "      --json           or a choice above asks for it); --json as JSON, a line\n"
      "                     per file\n"
      "Reading:\n"
      "      --pass-code N  the identification code of protected files (default: the\n"
      "                     PassCode setting)\n"
      "Settings (those of the Susie plug-in):\n"
      "      --set NAME=VALUE   store MultiImage=0|1 or PassCode=N\n"
      "      --show-settings    print them and where they are kept\n"
      "Other:\n"
      "  -q, --quiet        no progress line, warnings or summary\n"
      "  -v, --verbose      say what is done with each file (also VORN_TRACE=1)\n"
      "  -h, --help         this text\n"
      "      --version      the version\n"
      "  --                 every argument after it is a file name\n"
      "  -                  as an input: standard input\n"
      "\n"
      "PNG output keeps palette pictures indexed with their colour table, gives\n"
      "frames with an alpha channel RGBA, and others RGB.\n"
      "\n"
      "Exit status: 0 every file converted; 1 some file failed (the others are\n"
      "still converted); 2 the command line is wrong.\n";
  return text;
}

std::optional<TOptions> ParseArguments(const std::vector<std::string>& args) {
  TOptions o;
  bool sheet = false, frames = false, animate = false, thumbnail = false;
  std::optional<platform::TScreenSize> screen;
  bool files = false;  // after --
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw TUsageError(a + " needs a value");
      return args[++i];
    };
    if (files || a == "-" || a.empty() || a[0] != '-') {
      o.Inputs.push_back(a);
    } else if (a == "--") {
      files = true;
    } else if (a == "-h" || a == "--help") {
      std::fputs(HelpText().c_str(), stdout);
      return std::nullopt;
    } else if (a == "--version") {
      std::printf("vrnconv %s (libvorn %s)\n", VORN_VERSION_STRING, vorn_version());
      return std::nullopt;
    } else if (a == "-o" || a == "--output") {
      if (!o.Output.empty()) throw TUsageError("-o is given twice");
      o.Output = value();
      if (o.Output.empty()) throw TUsageError("-o wants a name");
    } else if (a == "-n" || a == "--no-clobber") {
      o.NoClobber = true;
    } else if (a == "-q" || a == "--quiet") {
      o.Quiet = true;
    } else if (a == "-v" || a == "--verbose") {
      o.Verbose = true;
    } else if (a == "--sheet") {
      sheet = true;
    } else if (a == "--screen") {
      screen = Screen(value(), "--screen");
    } else if (a == "--frames") {
      frames = true;
    } else if (a == "--animate") {
      animate = true;
    } else if (a == "--thumbnail") {
      o.ThumbnailSize = Number(value(), "--thumbnail");
      if (o.ThumbnailSize <= 0 || o.ThumbnailSize > 65535)
        throw TUsageError("--thumbnail wants a size from 1 to 65535");
      thumbnail = true;
    } else if (a == "--info") {
      o.Info = true;
    } else if (a == "--json") {
      o.Json = true;
    } else if (a == "--pass-code") {
      o.PassCode = Number(value(), "--pass-code");
    } else if (a == "--set") {
      o.Sets.push_back(value());
    } else if (a == "--show-settings") {
      o.ShowSettings = true;
    } else {
      throw TUsageError("unknown option " + a);
    }
  }
  if (const char* trace = std::getenv("VORN_TRACE"); trace != nullptr && *trace != '\0' && *trace != '0')
    o.Verbose = true;

  const bool webpOutput = EndsWith(o.Output, ".webp");
  if (sheet + frames + animate + thumbnail > 1)
    throw TUsageError("--sheet, --frames, --animate and --thumbnail exclude each other");
  if (webpOutput && (sheet || frames || thumbnail))
    throw TUsageError("WebP output is for --animate; these pictures are written as PNG");
  o.Mode = sheet       ? TMode::Sheet
           : frames    ? TMode::Frames
           : animate || webpOutput ? TMode::Animate
           : thumbnail ? TMode::Thumbnail
           : (o.Info || o.Json) && o.Output.empty() ? TMode::InfoOnly
                                                    : TMode::FirstFrame;
  if (o.Info && o.Json) throw TUsageError("--info and --json exclude each other");

  if (o.Inputs.empty()) {
    if (o.Sets.empty() && !o.ShowSettings) throw TUsageError("no input file");
    if (sheet || frames || animate || thumbnail || o.Info || o.Json || !o.Output.empty())
      throw TUsageError("no input file");
    if (o.PassCode) o.Warnings.push_back("--pass-code does nothing without an input file");
  }
  size_t stdinInputs = 0;
  for (const std::string& input : o.Inputs) stdinInputs += input == "-";
  if (stdinInputs > 1) throw TUsageError("standard input can be read once");
  if (o.Output == "-") {
    if (o.Inputs.size() > 1) throw TUsageError("several inputs cannot all go to standard output");
    if (o.Mode == TMode::Frames) throw TUsageError("--frames writes a folder, not standard output");
    if (o.Info || o.Json) throw TUsageError("--info or --json and a picture cannot share standard output");
  }
  if (o.Inputs.size() > 1 && !o.Output.empty() && !IsFolder(o.Output))
    throw TUsageError("with several inputs -o names a folder (an existing one, or end it with /)");

  if (screen && !sheet) o.Warnings.push_back("--screen does nothing without --sheet");
  if (sheet) {
    if (screen) {
      o.Screen = *screen;
    } else if (const char* env = std::getenv("VORN_SCREEN"); env != nullptr) {
      o.Screen = Screen(env, "VORN_SCREEN");
    } else {
      o.Screen = platform::ScreenSize();
    }
  }
  return o;
}

}  // namespace vorn::tools
