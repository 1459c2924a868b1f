// A program that leaves a mark beside itself ("<its own path>.ran") when it runs, so that a
// test can tell that it was started.
#include <windows.h>

int main() {
  wchar_t path[MAX_PATH + 8];
  DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  lstrcatW(path, L".ran");
  HANDLE mark = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (mark == INVALID_HANDLE_VALUE) return 1;
  ::CloseHandle(mark);
  return 0;
}
