// vrnconv: converts .vrn files to PNG with the plug-in's own reader, prints
// what a file holds, and reads or changes the plug-in's settings.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "config/VornSettings.h"
#include "format/VornFrame.h"
#include "format/VornFrameList.h"
#include "platform/FileStreams.h"
#include "platform/Screen.h"
#include "platform/SettingsStore.h"
#include "platform/TextConversion.h"
#include "plugin/TiledPicture.h"
#include "support/QzXml.h"
#include "support/VornError.h"
#include "surface/DIBSurface.h"
#include "converter/ErrorText.h"
#include "converter/PngWriter.h"

namespace {

using namespace vorn;

const char kUsage[] =
    "usage: vrnconv [options] FILE.vrn [OUT.png]\n"
    "  FILE.vrn OUT.png      write the first frame as a PNG file\n"
    "  --sheet               write all frames tiled as the plug-in's GetPicture builds them\n"
    "  --screen WxH          the screen size that fits the --sheet grid (default: this screen)\n"
    "  --frames DIR          write every frame as DIR/frame-NNN.png\n"
    "  --info                print what the file holds\n"
    "  --json                print the same as JSON\n"
    "  --pass-code N         identification code for protected files (default: the setting)\n"
    "  --set NAME=VALUE      store a setting: MultiImage=0|1 or PassCode=N\n"
    "  --show-settings       print the settings and where they are stored\n";

struct TOptions {
  std::string input, output, framesDir;
  bool sheet = false, info = false, json = false, showSettings = false;
  std::optional<int32_t> passCode;
  std::optional<platform::TScreenSize> screen;
  std::vector<std::string> sets;
};

[[noreturn]] void UsageError(const std::string& what) {
  std::cerr << "vrnconv: " << what << "\n" << kUsage;
  std::exit(2);
}

int32_t ParseInt(const std::string& text, const char* what) {
  int32_t value = 0;
  if (!QzTryStrToInt(text, value)) UsageError(std::string("not a number for ") + what + ": " + text);
  return value;
}

TOptions ParseArguments(int argc, char** argv) {
  TOptions o;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const auto next = [&]() -> std::string {
      if (i + 1 >= argc) UsageError(a + " needs a value");
      return argv[++i];
    };
    if (a == "-h" || a == "--help") {
      std::cout << kUsage;
      std::exit(0);
    } else if (a == "--sheet") {
      o.sheet = true;
    } else if (a == "--screen") {
      const std::string v = next();
      const auto x = v.find('x');
      if (x == std::string::npos) UsageError("--screen wants WIDTHxHEIGHT");
      o.screen = platform::TScreenSize{ParseInt(v.substr(0, x), "--screen"),
                                       ParseInt(v.substr(x + 1), "--screen")};
      if (o.screen->Width <= 0 || o.screen->Height <= 0) UsageError("--screen wants a positive size");
    } else if (a == "--frames") {
      o.framesDir = next();
    } else if (a == "--info") {
      o.info = true;
    } else if (a == "--json") {
      o.json = true;
    } else if (a == "--pass-code") {
      o.passCode = ParseInt(next(), "--pass-code");
    } else if (a == "--set") {
      o.sets.push_back(next());
    } else if (a == "--show-settings") {
      o.showSettings = true;
    } else if (!a.empty() && a[0] == '-') {
      UsageError("unknown option " + a);
    } else {
      files.push_back(a);
    }
  }
  if (files.size() > 2) UsageError("too many file names");
  if (!files.empty()) o.input = files[0];
  if (files.size() == 2) o.output = files[1];
  const bool work = o.info || o.json || !o.output.empty() || !o.framesDir.empty();
  if (!o.input.empty() && !work) UsageError("nothing to do: give OUT.png, --frames, --info or --json");
  if (o.input.empty() && work) UsageError("no input file");
  if (o.input.empty() && o.sets.empty() && !o.showSettings) UsageError("no input file");
  return o;
}

void ApplySetting(const std::string& assignment) {
  const auto eq = assignment.find('=');
  if (eq == std::string::npos) UsageError("--set wants NAME=VALUE");
  const std::string name = assignment.substr(0, eq), value = assignment.substr(eq + 1);
  if (QzSameText(name, "MultiImage")) {
    WriteMultiImage(ParseInt(value, "MultiImage") != 0);
  } else if (QzSameText(name, "PassCode")) {
    platform::WriteSetting("Common", "PassCode", std::to_string(ParseInt(value, "PassCode")));
  } else {
    UsageError("unknown setting " + name + " (MultiImage or PassCode)");
  }
}

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (const unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Generation(const TVornFrameList& frames) {
  if (frames.NewGeneration) return "new (VornX200, XML header)";
  if (frames.Version == 0) return "old (no signature)";
  return "old (Vorn" + std::to_string(frames.Version) + ")";
}

void PrintInfo(const TVornFrameList& frames, bool json) {
  TVornFileHeader header;
  frames.SetHeader(header, 0, 70);
  const int32_t version = frames.NewGeneration ? frames.Header.Version : frames.Version;
  std::ostringstream out;
  if (json) {
    out << "{\"generation\": " << (frames.NewGeneration ? "\"new\"" : "\"old\"")
        << ", \"version\": " << version << ", \"width\": " << header.Width
        << ", \"height\": " << header.Height << ", \"bpp\": " << header.Bpp
        << ", \"frames\": [";
    for (int i = 0; i < frames.Count(); ++i) {
      const TVornFrame& f = frames.GetFrame(i);
      out << (i ? ", " : "") << "{\"name\": " << JsonString(platform::Cp932ToUtf8(f.Name))
          << ", \"delay\": " << f.Delay << ", \"width\": " << f.Width()
          << ", \"height\": " << f.Height() << ", \"bpp\": " << f.Bpp() << "}";
    }
    out << "]}\n";
  } else {
    out << "generation: " << Generation(frames) << "\nversion:    " << version
        << "\nsize:       " << header.Width << " x " << header.Height << ", " << header.Bpp
        << " bits per pixel\nframes:     " << frames.Count() << "\n";
    for (int i = 0; i < frames.Count(); ++i) {
      const TVornFrame& f = frames.GetFrame(i);
      out << "  frame " << i << ": \"" << platform::Cp932ToUtf8(f.Name) << "\", delay "
          << f.Delay << ", " << f.Width() << " x " << f.Height() << ", " << f.Bpp() << " bpp\n";
    }
  }
  std::cout << out.str();
}

int Run(const TOptions& o) {
  for (const std::string& s : o.sets) ApplySetting(s);
  if (o.showSettings) {
    std::cout << "MultiImage=" << (ReadMultiImage() ? 1 : 0) << "\nPassCode=" << ReadPassCode()
              << "\n(stored in " << platform::SettingsLocation() << ")\n";
  }
  if (o.input.empty()) return 0;

  const bool allFrames = o.sheet || !o.framesDir.empty() || o.info || o.json;
  TVornFrameList frames(o.passCode ? *o.passCode : ReadPassCode());
  {
    const std::unique_ptr<TStream> stream = platform::OpenFileStream(o.input.c_str());
    frames.LoadFromStream(*stream, !allFrames);
  }
  const TDIBSurface& first = *frames.GetFrame(0).Surface;
  if (o.info || o.json) PrintInfo(frames, o.json);
  if (!o.output.empty()) {
    if (o.sheet) {
      const platform::TScreenSize screen = o.screen ? *o.screen : platform::ScreenSize();
      tools::WritePng(*BuildTiledPicture(frames, screen.Width, screen.Height), o.output);
    } else {
      tools::WritePng(first, o.output);
    }
  }
  if (!o.framesDir.empty()) {
    std::filesystem::create_directories(o.framesDir);
    for (int i = 0; i < frames.Count(); ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "frame-%03d.png", i);
      tools::WritePng(*frames.GetFrame(i).Surface,
                      (std::filesystem::path(o.framesDir) / name).string());
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const TOptions options = ParseArguments(argc, argv);
  try {
    return Run(options);
  } catch (const EVornError& e) {
    std::cerr << "vrnconv: " << options.input << ": " << tools::DescribeError(e.what()) << "\n";
  } catch (const ELimitError& e) {
    std::cerr << "vrnconv: " << options.input << ": " << e.what() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "vrnconv: " << (options.input.empty() ? "" : options.input + ": ") << e.what()
              << "\n";
  }
  return 1;
}
