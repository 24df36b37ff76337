#include "converter/Conversion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <vector>

#include "config/VornSettings.h"
#include "converter/PngWriter.h"
#include "converter/Thumbnail.h"
#include "converter/WebpWriter.h"
#include "platform/OutputFiles.h"
#include "platform/TextConversion.h"
#include "vorn/vorn.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace vorn::tools {

namespace {

// What failed, with the path it concerns; reported once by Run.
struct TFailure {
  std::string Path;
  std::string Reason;
};

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

// The reason for a failed library call in plain English: the status, with
// the byte where a file was found short and the memory limit, then the
// reader's own message where it is one of its Japanese ones.
std::string Reason(vorn_status status, const vorn_error_info& error) {
  std::string reason = vorn_status_text(status);
  if (status == VORN_ERROR_TRUNCATED && error.offset >= 0)
    reason += " at byte " + std::to_string(error.offset);
  if (status == VORN_ERROR_LIMIT)
    reason = "needs more memory than the limit of " +
             std::to_string(vorn_default_memory_limit() >> 20) + " MiB (VORN_MEMORY_LIMIT_MB)";
  const std::string message = error.message;
  bool japanese = false;
  for (const unsigned char c : message) japanese |= c >= 0x80;
  if (japanese) reason += " (" + platform::Cp932ToUtf8(message) + ")";
  return reason;
}

// The input as the library reads it: a file through read and seek calls
// (only what is needed is read), standard input or a pipe read whole.
class TInput {
 public:
  explicit TInput(const std::string& path) : path_(path) {
    if (path == "-") {
      ReadAll(stdin);
      return;
    }
    std::string reason;
    file_ = platform::OpenFile(path, "rb", &reason);
    if (file_ == nullptr) throw TFailure{path, "cannot open: " + reason};
    const int64_t size = platform::FileSize(file_);
    if (size < 0)
      ReadAll(file_);
    else
      size_ = size;
  }
  ~TInput() {
    if (file_ != nullptr) std::fclose(file_);
  }
  TInput(const TInput&) = delete;
  TInput& operator=(const TInput&) = delete;

  bool Empty() const { return size_ == 0; }

  vorn_status Open(const vorn_options& options, vorn_image** image) {
    if (size_ < 0 || file_ == nullptr) return vorn_open_memory(bytes_.data(), bytes_.size(), &options, image);
    vorn_io io{};
    io.size = static_cast<uint64_t>(size_);
    io.user = file_;
    io.read = [](void* user, void* buffer, size_t count) -> size_t {
      auto* file = static_cast<std::FILE*>(user);
      const size_t got = std::fread(buffer, 1, count, file);
      return got == 0 && std::ferror(file) ? static_cast<size_t>(-1) : got;
    };
    io.seek = [](void* user, uint64_t position) {
      return platform::SeekFile(static_cast<std::FILE*>(user), position) ? 0 : -1;
    };
    return vorn_open_io(&io, &options, image);
  }

 private:
  void ReadAll(std::FILE* from) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, from)) > 0) bytes_.insert(bytes_.end(), buffer, buffer + n);
    if (std::ferror(from)) throw TFailure{path_, std::string("cannot read: ") + std::strerror(errno)};
    size_ = -1;
    if (bytes_.empty()) size_ = 0;
  }

  std::string path_;
  std::FILE* file_ = nullptr;
  int64_t size_ = -1;  // -1: read whole into bytes_
  std::vector<uint8_t> bytes_;
};

// An image open on an input; every failing call becomes a TFailure.
class TImage {
 public:
  TImage(TInput& input, const std::string& path, int32_t passCode) : path_(path) {
    vorn_error_info error{};
    vorn_options options{};
    options.struct_size = sizeof options;
    options.pass_code = passCode;
    options.error = &error;
    const vorn_status status = input.Open(options, &image_);
    if (status == VORN_ERROR_NOT_VRN && input.Empty()) throw TFailure{path, "not a .vrn file (it is empty)"};
    if (status != VORN_OK) throw TFailure{path, Reason(status, error)};
  }
  ~TImage() { vorn_close(image_); }
  TImage(const TImage&) = delete;
  TImage& operator=(const TImage&) = delete;

  void Check(vorn_status status) const {
    if (status == VORN_OK) return;
    vorn_error_info error{};
    vorn_last_error(image_, &error);
    throw TFailure{path_, Reason(status, error)};
  }
  vorn_image* operator*() const { return image_; }

  vorn_info Info() const {
    vorn_info info{};
    Check(vorn_get_info(image_, &info));
    return info;
  }
  vorn_frame_info Frame(uint32_t index) const {
    vorn_frame_info frame{};
    Check(vorn_get_frame_info(image_, index, &frame));
    return frame;
  }
  TRgbaPicture Rgba(uint32_t index) const {
    const vorn_frame_info frame = Frame(index);
    TRgbaPicture picture;
    picture.Width = frame.width;
    picture.Height = frame.height;
    picture.HasAlpha = frame.has_alpha != 0;
    picture.Pixels.resize(static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height) * 4);
    Check(vorn_decode_frame_rgba(image_, index, picture.Pixels.data(), static_cast<size_t>(frame.width) * 4));
    return picture;
  }
  // A frame as PNG: RGBA where it has an alpha channel, else as delivered.
  std::vector<uint8_t> FramePng(uint32_t index) const {
    if (Frame(index).has_alpha) return EncodePng(Rgba(index));
    vorn_dib dib{};
    Check(vorn_decode_frame_dib(image_, index, &dib));
    return EncodePng(dib);
  }

 private:
  std::string path_;
  vorn_image* image_ = nullptr;
};

std::string Generation(const vorn_info& info) {
  if (info.generation == 2) return "new (VornX200, XML header)";
  if (info.version == 0) return "old (no signature)";
  return "old (Vorn" + std::to_string(info.version) + ")";
}

std::string Protection(const vorn_info& info) {
  if (info.tables_scrambled) return "block tables scrambled (needs the identification code)";
  if (info.rows_scrambled) return "rows scrambled (needs the identification code)";
  return "none";
}

std::string InfoText(const TImage& image, const std::string& path, bool json, bool named) {
  const vorn_info info = image.Info();
  std::vector<vorn_frame_info> frames;
  for (uint32_t i = 0; i < info.frame_count; ++i) frames.push_back(image.Frame(i));
  std::ostringstream out;
  if (json) {
    out << "{\"file\": " << JsonString(path) << ", \"generation\": "
        << (info.generation == 2 ? "\"new\"" : "\"old\"") << ", \"version\": " << info.version
        << ", \"width\": " << info.width << ", \"height\": " << info.height
        << ", \"bpp\": " << info.bits_per_pixel
        << ", \"rows_scrambled\": " << (info.rows_scrambled ? "true" : "false")
        << ", \"tables_scrambled\": " << (info.tables_scrambled ? "true" : "false") << ", \"frames\": [";
    for (size_t i = 0; i < frames.size(); ++i) {
      const vorn_frame_info& f = frames[i];
      out << (i ? ", " : "") << "{\"name\": " << JsonString(f.name) << ", \"delay\": " << f.delay
          << ", \"delay_ms\": " << f.delay_ms << ", \"width\": " << f.width << ", \"height\": " << f.height
          << ", \"bpp\": " << f.bits_per_pixel << ", \"alpha\": " << (f.has_alpha ? "true" : "false") << "}";
    }
    out << "]}\n";
    return out.str();
  }
  if (named) out << "file:       " << path << "\n";
  out << "generation: " << Generation(info) << "\nversion:    " << info.version
      << "\nsize:       " << info.width << " x " << info.height << ", " << info.bits_per_pixel
      << " bits per pixel\nprotected:  " << Protection(info) << "\nframes:     " << frames.size() << "\n";
  for (size_t i = 0; i < frames.size(); ++i) {
    const vorn_frame_info& f = frames[i];
    out << "  frame " << i << ": \"" << f.name << "\", " << f.delay_ms << " ms, " << f.width << " x "
        << f.height << ", " << f.bits_per_pixel << " bpp" << (f.has_alpha ? ", alpha" : "") << "\n";
  }
  return out.str();
}

// The file name without its folder and its last extension.
std::string Stem(const std::string& path) {
  if (path == "-") return "stdin";
  const std::filesystem::path name = PathOf(path).filename();
  const std::u8string stem = name.stem().u8string();
  return std::string(stem.begin(), stem.end());
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  return last == '/' || last == '\\' ? folder + name : folder + "/" + name;
}

// The folder of an input, with its trailing slash ("" for the current one).
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

bool IsTerminal([[maybe_unused]] std::FILE* file) {
#if defined(_WIN32)
  return false;
#else
  return ::isatty(::fileno(file)) != 0;
#endif
}

void TConversion::Report(const std::string& path, const std::string& text) const {
  // On a terminal the message takes the progress line's place.
  std::fprintf(stderr, "%svrnconv: %s%s%s\n", IsTerminal(stderr) ? "\r\033[K" : "", path.c_str(),
               path.empty() ? "" : ": ", text.c_str());
}

void TConversion::Warn(const std::string& path, const std::string& text) const {
  if (!options_.Quiet) Report(path, "warning: " + text);
}

bool WriteStandardOutput(const void* bytes, size_t size) {
  if (std::fwrite(bytes, 1, size, stdout) == size && std::fflush(stdout) == 0) return true;
  // Reported by the caller: the final check of the run looks for new ones only.
  const int error = errno;
  std::clearerr(stdout);
  errno = error;
  return false;
}

bool TConversion::Run(const std::string& input) {
  const TOptions& o = options_;
  const std::string label = input == "-" ? "standard input" : input;
  try {
    TInput source(input);
    const int32_t passCode = o.PassCode ? *o.PassCode : ReadPassCode();
    const TImage image(source, label, passCode);
    const vorn_info info = image.Info();
    if (o.Info || o.Json) {
      const std::string text = InfoText(image, label, o.Json, o.Inputs.size() > 1);
      if (!WriteStandardOutput(text.data(), text.size()))
        throw TFailure{"standard output", std::strerror(errno)};
    }
    if (o.Mode == TMode::InfoOnly) return true;
    if ((info.rows_scrambled || info.tables_scrambled) && passCode == 0)
      Warn(label, "the file is protected: without its identification code (--pass-code N) the "
                  "picture comes out scrambled");

    // Where the output goes: -o, a file in the -o folder, or beside the input.
    const char* extension = o.Mode == TMode::Animate ? ".webp" : ".png";
    const std::string name = Stem(input) + (o.Mode == TMode::Frames ? "-frames" : extension);
    std::string output;
    if (o.Output.empty())
      output = input == "-" && o.Mode != TMode::Frames ? "-" : FolderOf(input) + name;
    else if (o.Output != "-" && IsFolder(o.Output) && !(o.Mode == TMode::Frames && o.Inputs.size() == 1))
      output = Join(o.Output, name);
    else
      output = o.Output;
    // An output never replaces an input: the same file however it is named.
    for (const std::string& other : o.Inputs) {
      std::error_code error;
      if (other != "-" && output != "-" && std::filesystem::equivalent(PathOf(output), PathOf(other), error))
        throw TFailure{output, "refused: the output would replace the input " + other};
    }
    const auto write = [&](const std::string& path, const std::vector<uint8_t>& bytes) {
      if (path == "-") {
        if (!WriteStandardOutput(bytes.data(), bytes.size()))
          throw TFailure{"standard output", std::strerror(errno)};
        return;
      }
      // A folder named by -o with a slash at the end is made when missing.
      std::error_code ignored;
      if (const std::string folder = FolderOf(path); !folder.empty())
        std::filesystem::create_directories(PathOf(folder), ignored);
      const std::string reason = platform::WriteWholeFileSafely(path, bytes, o.NoClobber);
      if (!reason.empty())
        throw TFailure{path, "cannot write the output: " + reason +
                                 (o.NoClobber && reason.find("xist") != std::string::npos ? " (--no-clobber)" : "")};
    };

    if (o.Verbose)
      Report(label, std::to_string(info.frame_count) + " frame(s) of " + std::to_string(info.width) + " x " +
                        std::to_string(info.height) + ", " + std::to_string(info.bits_per_pixel) +
                        " bits -> " + (output == "-" ? "standard output" : output));
    switch (o.Mode) {
      case TMode::FirstFrame:
        write(output, image.FramePng(0));
        break;
      case TMode::Sheet: {
        vorn_dib dib{};
        uint32_t shown = 0;
        image.Check(vorn_decode_sheet_dib(*image, o.Screen.Width, o.Screen.Height, &dib, &shown));
        if (shown < info.frame_count)
          Warn(label, std::to_string(shown) + " of " + std::to_string(info.frame_count) +
                          " frames shown (the sheet fits a " + std::to_string(o.Screen.Width) + "x" +
                          std::to_string(o.Screen.Height) + " screen; see --screen)");
        write(output, EncodePng(dib));
        break;
      }
      case TMode::Thumbnail:
        write(output, EncodePng(ScaleToFit(image.Rgba(0), o.ThumbnailSize)));
        break;
      case TMode::Animate: {
        std::vector<TRgbaFrame> frames;
        for (uint32_t i = 0; i < info.frame_count; ++i) {
          TRgbaPicture picture = image.Rgba(i);
          frames.push_back({picture.Width, picture.Height, std::move(picture.Pixels), image.Frame(i).delay_ms});
        }
        write(output, EncodeAnimatedWebp(frames));
        break;
      }
      case TMode::Frames: {
        // A new or empty folder only: old frames never mix with new ones.
        const std::filesystem::path folder = PathOf(output);
        std::error_code error;
        if (std::filesystem::exists(folder, error) &&
            (!std::filesystem::is_directory(folder, error) || !std::filesystem::is_empty(folder, error)))
          throw TFailure{output, "not a new or empty folder (--frames writes only into one)"};
        std::filesystem::create_directories(folder, error);
        if (error) throw TFailure{output, "cannot create the folder: " + error.message()};
        for (uint32_t i = 0; i < info.frame_count; ++i) {
          char file[32];
          std::snprintf(file, sizeof file, "frame-%03u.png", i);
          write(Join(output, file), image.FramePng(i));
        }
        break;
      }
      case TMode::InfoOnly:
        break;
    }
    return true;
  } catch (const TFailure& failure) {
    Report(failure.Path, failure.Reason);
  } catch (const std::bad_alloc&) {
    Report(label, "out of memory");
  } catch (const std::exception& e) {
    Report(label, e.what());
  }
  return false;
}

}  // namespace vorn::tools
