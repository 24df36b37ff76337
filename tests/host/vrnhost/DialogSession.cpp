// The settings dialog under test: the driver script (tests/host) drops
// command files "cmd-1", "cmd-2", ... into the session directory; for each
// one this process makes the ConfigurationDlg call it names, while a watcher
// thread logs every window the plug-in shows (title, kind, check box state,
// layout and texts) to session.log, where the driver waits for them before
// it presses keys through the X server.
#include <cstdio>

#include "tests/host/vrnhost/HostModes.h"

#if defined(_WIN32)
#include <windows.h>
#include <sddl.h>

#include <atomic>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace vrnhost {
namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::string WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return Utf8(text);
}

std::string ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return Utf8(name);
}

class TSessionLog {
 public:
  explicit TSessionLog(std::string path) : path_(std::move(path)) {}
  // Each line is appended and closed at once, so the driver sees it.
  void Line(const std::string& text) {
    std::ofstream out(path_, std::ios::app | std::ios::binary);
    out << text << "\n";
  }

 private:
  std::string path_;
};

struct TChildList {
  std::ostringstream Text;
  int Checked = -1;
  HFONT Font = nullptr;
};

BOOL CALLBACK DescribeChild(HWND child, LPARAM param) {
  auto& list = *reinterpret_cast<TChildList*>(param);
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  const std::string cls = ClassName(child);
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  const bool button = lstrcmpiA(cls.c_str(), "Button") == 0;
  list.Text << " [" << cls << " id=" << GetDlgCtrlID(child) << " " << r.left << "," << r.top << ","
            << (r.right - r.left) << "x" << (r.bottom - r.top) << (style & WS_TABSTOP ? " tab" : "")
            << (button && (style & 0x0F) == BS_DEFPUSHBUTTON ? " default" : "") << " '"
            << WindowText(child) << "']";
  if (button && (style & 0x0F) == BS_AUTOCHECKBOX)
    list.Checked = SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  if (list.Font == nullptr)
    list.Font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
  return TRUE;
}

int CheckState(HWND window) {
  TChildList children;
  EnumChildWindows(window, DescribeChild, reinterpret_cast<LPARAM>(&children));
  return children.Checked;
}

// One line describing a top-level window of ours.
std::string Describe(HWND window) {
  TChildList children;
  EnumChildWindows(window, DescribeChild, reinterpret_cast<LPARAM>(&children));
  RECT client{}, frame{};
  GetClientRect(window, &client);
  GetWindowRect(window, &frame);
  std::ostringstream line;
  line << "window kind=" << (children.Checked >= 0 ? "dialog" : "box") << " checked="
       << children.Checked << " title='" << WindowText(window) << "' client=" << client.right << "x"
       << client.bottom << " frame=" << frame.left << "," << frame.top << ","
       << (frame.right - frame.left) << "x" << (frame.bottom - frame.top)
       << " screen=" << GetSystemMetrics(SM_CXSCREEN) << "x" << GetSystemMetrics(SM_CYSCREEN);
  LOGFONTW font{};
  if (children.Font != nullptr && GetObjectW(children.Font, sizeof font, &font) != 0)
    line << " font='" << Utf8(font.lfFaceName) << "' height=" << font.lfHeight
         << " charset=" << static_cast<int>(font.lfCharSet);
  line << " controls:" << children.Text.str();
  return line.str();
}

struct TWindowScan {
  DWORD Process;
  std::set<HWND> Found;
};

BOOL CALLBACK CollectOwn(HWND window, LPARAM param) {
  auto& scan = *reinterpret_cast<TWindowScan*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == scan.Process && IsWindowVisible(window)) scan.Found.insert(window);
  return TRUE;
}

struct TWatch {
  TSessionLog& Log;
  std::atomic<bool> Stop{false};
};

// Logs each of our top-level windows once it has become visible and has had
// a moment to lay itself out, and every later change of its check box.
DWORD WINAPI Watch(void* param) {
  auto& watch = *static_cast<TWatch*>(param);
  std::map<HWND, int> known;  // window -> check box state last logged
  while (!watch.Stop) {
    TWindowScan scan{GetCurrentProcessId(), {}};
    EnumWindows(CollectOwn, reinterpret_cast<LPARAM>(&scan));
    std::map<HWND, int> now;
    for (HWND window : scan.Found) {
      const auto seen = known.find(window);
      if (seen == known.end()) {
        Sleep(300);
        if (!IsWindowVisible(window)) continue;
        watch.Log.Line(Describe(window));
        now[window] = CheckState(window);
        continue;
      }
      const int state = CheckState(window);
      if (state != seen->second && IsWindowVisible(window))
        watch.Log.Line("window state checked=" + std::to_string(state));
      now[window] = state;
    }
    known = std::move(now);
    Sleep(100);
  }
  return 0;
}

// Denies (or gives back) the right to store values in the "Susie" section,
// so that the dialog's write fails the way a locked-down registry makes it
// fail. We own the key, so we can always change its DACL back.
bool SetSusieWritable(bool writable) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\ORMALDE\\VornLive\\Susie", 0, nullptr, 0,
                      READ_CONTROL | WRITE_DAC, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  // Everyone: all access, less setting values and creating subkeys when denied.
  const wchar_t* sddl = writable ? L"D:(A;;KA;;;WD)" : L"D:(D;;0x6;;;WD)(A;;KA;;;WD)";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  bool done = false;
  if (ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
    done = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    LocalFree(descriptor);
  }
  RegCloseKey(key);
  return done;
}

bool ReadCommand(const std::string& path, std::string& command) {
  std::ifstream in(path);
  if (!in) return false;
  in >> command;
  return !command.empty();
}

}  // namespace

int RunDialogSession(TSusieLibrary& library, const std::string& dir) {
  TSessionLog log(dir + "\\session.log");
  log.Line("session started");
  TWatch watch{log};
  HANDLE watcher = CreateThread(nullptr, 0, Watch, &watch, 0, nullptr);
  int exitCode = 0;
  // The driver gives up after its own timeouts; this bounds a lost session.
  const DWORD deadline = GetTickCount() + 15 * 60 * 1000;
  for (int step = 1;; ++step) {
    const std::string file = dir + "\\cmd-" + std::to_string(step);
    std::string command;
    while (!ReadCommand(file, command)) {
      if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
        log.Line("session timed out");
        command = "quit";
        exitCode = 3;
        break;
      }
      Sleep(100);
    }
    if (command == "quit") break;
    if (command == "deny-writes" || command == "allow-writes") {
      const bool done = SetSusieWritable(command == "allow-writes");
      log.Line("step " + std::to_string(step) + " " + command + (done ? " done" : " failed"));
      continue;
    }
    const int fnc = command == "about" ? 0 : command == "dialog" ? 1 : std::atoi(command.c_str());
    log.Line("step " + std::to_string(step) + " " + command);
    const int result = library.ConfigurationDlg(nullptr, fnc);
    log.Line("step " + std::to_string(step) + " rc=" + std::to_string(result));
  }
  watch.Stop = true;
  if (watcher != nullptr) {
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
  }
  log.Line("session ended");
  return exitCode;
}

}  // namespace vrnhost

#else

namespace vrnhost {

int RunDialogSession(TSusieLibrary&, const std::string&) {
  std::fprintf(stderr, "vrnhost: the dialog session needs Windows\n");
  return 2;
}

}  // namespace vrnhost

#endif
