// vrnconv: converts .vrn files to PNG and animated WebP through libvorn's
// public API, prints what a file holds, and reads or changes the plug-in's
// settings. See HelpText (converter/Options.cpp) for the command line.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "config/VornSettings.h"
#include "converter/Conversion.h"
#include "converter/Options.h"
#include "platform/SettingsStore.h"
#include "platform/TextConversion.h"
#include "support/DecimalText.h"
#include "support/QzXml.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>

#include "platform/WideText.h"
#endif

namespace {

using namespace vorn;
using namespace vorn::tools;


void ApplySetting(const std::string& assignment) {
  const auto eq = assignment.find('=');
  if (eq == std::string::npos) throw TUsageError("--set wants NAME=VALUE");
  const std::string name = assignment.substr(0, eq), value = assignment.substr(eq + 1);
  int32_t number = 0;
  if (!TryParseDecimal(value, number)) throw TUsageError("--set " + name + " wants a number");
  if (QzSameText(name, "MultiImage"))
    WriteMultiImage(number != 0);
  else if (QzSameText(name, "PassCode"))
    platform::WriteSetting("Common", "PassCode", std::to_string(number));
  else
    throw TUsageError("unknown setting " + name + " (MultiImage or PassCode)");
}

int Run(const std::vector<std::string>& args) {
  std::optional<TOptions> parsed;
  try {
    parsed = ParseArguments(args);
    if (!parsed) return 0;
    for (const std::string& s : parsed->Sets) ApplySetting(s);
  } catch (const TUsageError& e) {
    std::fprintf(stderr, "vrnconv: %s\nTry 'vrnconv --help'.\n", e.what());
    return 2;
  } catch (const std::exception& e) {  // a setting that cannot be stored
    std::fprintf(stderr, "vrnconv: %s: %s\n", platform::SettingsLocation().c_str(),
                 platform::Cp932ToUtf8(e.what()).c_str());
    return 1;
  }
  const TOptions& o = *parsed;
  TConversion conversion(o);
  for (const std::string& warning : o.Warnings) conversion.Warn("", warning);
  if (o.ShowSettings) {
    const std::string text = "MultiImage=" + std::to_string(ReadMultiImage() ? 1 : 0) +
                             "\nPassCode=" + std::to_string(ReadPassCode()) + "\n(stored in " +
                             platform::SettingsLocation() + ")\n";
    if (!WriteStandardOutput(text.data(), text.size())) {
      conversion.Report("standard output", "cannot write");
      return 1;
    }
  }

  // A progress line on a terminal for a batch, rewritten in place (and
  // cleared by every message: see TConversion::Report).
  const bool progress = !o.Quiet && o.Inputs.size() > 1 && IsTerminal(stderr);
  size_t converted = 0;
  for (size_t i = 0; i < o.Inputs.size(); ++i) {
    if (progress) std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", i + 1, o.Inputs.size(), o.Inputs[i].c_str());
    converted += conversion.Run(o.Inputs[i]);
  }
  if (progress) std::fputs("\r\033[K", stderr);
  if (o.Inputs.size() > 1 && !o.Quiet)
    std::fprintf(stderr, "vrnconv: %zu of %zu files converted\n", converted, o.Inputs.size());
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    conversion.Report("standard output", "cannot write");
    return 1;
  }
  return converted == o.Inputs.size() ? 0 : 1;
}

}  // namespace

#if defined(_WIN32)
// UTF-16 arguments, so that every file name reaches us whatever the code page.
int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.push_back(platform::Utf8FromUtf16(reinterpret_cast<const char16_t*>(argv[i])));
  return Run(args);
}
#else
int main(int argc, char** argv) {
  // Failures to write are errors to report, not signals that end the process
  // (a temporary file would be left behind).
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  return Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
