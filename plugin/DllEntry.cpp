// The entry point of this project's DLLs (Windows only). It runs the C
// runtime's entry point, and when the DLL is unloaded by FreeLibrary (not at
// the end of the process), once the runtime has run the DLL's destructors
// and exit handlers, lets the statically linked thread runtime release what
// it holds in the process: its TLS index, the handles of the threads that
// called in, its mutexes and condition variables. Without that every load
// whose code used the thread runtime (the 32-bit unwinder's registration,
// thread-safe statics, exceptions) left a TLS index and handles behind, and
// a host that loads the plug-in per file ran out of TLS indexes.
// Nothing else happens here.
#include <windows.h>

extern "C" {
BOOL WINAPI DllMainCRTStartup(HANDLE instance, DWORD reason, LPVOID reserved);
// From the thread runtime tools/setup.sh builds (cmake/WindowsDll.cmake).
void pthread_dll_unload_np(void);
BOOL WINAPI VornDllEntry(HANDLE instance, DWORD reason, LPVOID reserved);
}

BOOL WINAPI VornDllEntry(HANDLE instance, DWORD reason, LPVOID reserved) {
  const BOOL result = DllMainCRTStartup(instance, reason, reserved);
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) pthread_dll_unload_np();
  return result;
}
