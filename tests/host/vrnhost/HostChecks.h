// The checks vrnhost runs through the library's real exports, as a table of
// named checks per area. A new area adds its own table and one line in
// AllChecks (main.cpp).
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tests/host/vrnhost/SusieLibrary.h"

namespace vrnhost {

struct TCheckContext {
  TSusieLibrary& Library;
  std::string ScratchDir;  // emptied and removed after the run
  std::string DataDir;     // --data DIR, for checks that read prepared files
  std::string Check;       // the check running now
  int Passed = 0;
  int Failed = 0;

  // Counts one expectation; prints it when it fails.
  bool Expect(bool ok, const std::string& what);
  template <class A, class B>
  bool ExpectEqual(const A& actual, const B& expected, const std::string& what) {
    if (actual == expected) return Expect(true, what);
    std::ostringstream text;
    text << what << ": got " << actual << ", expected " << expected;
    return Expect(false, text.str());
  }
};

using TCheckFunction = void (*)(TCheckContext&);

struct TNamedCheck {
  const char* Name;
  TCheckFunction Run;
};

// GetPluginInfo, IsSupported and ConfigurationDlg.
std::vector<TNamedCheck> ShellChecks();
// The Unicode entry points, and dw tested whole in the 64-bit interface.
std::vector<TNamedCheck> WideChecks();

}  // namespace vrnhost
