// vrnconv: converts .vrn files to PNG through libvorn's public API (the
// plug-in's own reader), prints what a file holds, and reads or changes the
// plug-in's settings.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "config/VornSettings.h"
#include "converter/PngWriter.h"
#include "platform/Screen.h"
#include "platform/SettingsStore.h"
#include "platform/TextConversion.h"
#include "support/QzXml.h"
#include "vorn/vorn.h"

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

// A failed library call on the file: its status in plain English, and the
// reader's own message (Japanese, as the editor's users know it) after it.
class TFileError : public std::runtime_error {
 public:
  TFileError(vorn_status status, const vorn_error_info& info)
      : std::runtime_error(Text(status, info)) {}

 private:
  static std::string Text(vorn_status status, const vorn_error_info& info) {
    std::string text = vorn_status_text(status);
    if (info.message[0] != 0) text += " (" + platform::Cp932ToUtf8(info.message) + ")";
    return text;
  }
};

// The image, closed on every path; every failing call becomes a TFileError.
class TImage {
 public:
  TImage(const std::string& path, int32_t passCode) {
    vorn_error_info error{};
    vorn_options options{};
    options.struct_size = sizeof options;
    options.pass_code = passCode;
    options.error = &error;
    const vorn_status status = vorn_open_file(path.c_str(), &options, &image_);
    if (status != VORN_OK) throw TFileError(status, error);
  }
  ~TImage() { vorn_close(image_); }
  TImage(const TImage&) = delete;
  TImage& operator=(const TImage&) = delete;

  void Check(vorn_status status) const {
    if (status == VORN_OK) return;
    vorn_error_info error{};
    vorn_last_error(image_, &error);
    throw TFileError(status, error);
  }
  vorn_image* operator*() const { return image_; }

 private:
  vorn_image* image_ = nullptr;
};

std::string Generation(const vorn_info& info) {
  if (info.generation == 2) return "new (VornX200, XML header)";
  if (info.version == 0) return "old (no signature)";
  return "old (Vorn" + std::to_string(info.version) + ")";
}

void PrintInfo(const TImage& image, bool json) {
  vorn_info info{};
  image.Check(vorn_get_info(*image, &info));
  std::vector<vorn_frame_info> frames(info.frame_count);
  for (uint32_t i = 0; i < info.frame_count; ++i)
    image.Check(vorn_get_frame_info(*image, i, &frames[i]));
  std::ostringstream out;
  if (json) {
    out << "{\"generation\": " << (info.generation == 2 ? "\"new\"" : "\"old\"")
        << ", \"version\": " << info.version << ", \"width\": " << info.width
        << ", \"height\": " << info.height << ", \"bpp\": " << info.bits_per_pixel
        << ", \"frames\": [";
    for (size_t i = 0; i < frames.size(); ++i) {
      const vorn_frame_info& f = frames[i];
      out << (i ? ", " : "") << "{\"name\": " << JsonString(f.name) << ", \"delay\": " << f.delay
          << ", \"width\": " << f.width << ", \"height\": " << f.height
          << ", \"bpp\": " << f.bits_per_pixel << "}";
    }
    out << "]}\n";
  } else {
    out << "generation: " << Generation(info) << "\nversion:    " << info.version
        << "\nsize:       " << info.width << " x " << info.height << ", " << info.bits_per_pixel
        << " bits per pixel\nframes:     " << frames.size() << "\n";
    for (size_t i = 0; i < frames.size(); ++i) {
      const vorn_frame_info& f = frames[i];
      out << "  frame " << i << ": \"" << f.name << "\", delay " << f.delay << ", " << f.width
          << " x " << f.height << ", " << f.bits_per_pixel << " bpp\n";
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

  const TImage image(o.input, o.passCode ? *o.passCode : ReadPassCode());
  if (o.info || o.json) PrintInfo(image, o.json);
  vorn_dib dib{};
  if (!o.output.empty()) {
    if (o.sheet) {
      const platform::TScreenSize screen = o.screen ? *o.screen : platform::ScreenSize();
      image.Check(vorn_decode_sheet_dib(*image, screen.Width, screen.Height, &dib, nullptr));
    } else {
      image.Check(vorn_decode_frame_dib(*image, 0, &dib));
    }
    tools::WritePng(dib, o.output);
  }
  if (!o.framesDir.empty()) {
    vorn_info info{};
    image.Check(vorn_get_info(*image, &info));
    std::filesystem::create_directories(o.framesDir);
    for (uint32_t i = 0; i < info.frame_count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "frame-%03u.png", i);
      image.Check(vorn_decode_frame_dib(*image, i, &dib));
      tools::WritePng(dib, (std::filesystem::path(o.framesDir) / name).string());
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const TOptions options = ParseArguments(argc, argv);
  try {
    return Run(options);
  } catch (const std::exception& e) {
    // Settings errors carry the system's code page 932 messages.
    std::cerr << "vrnconv: " << (options.input.empty() ? "" : options.input + ": ")
              << platform::Cp932ToUtf8(e.what()) << "\n";
  }
  return 1;
}
