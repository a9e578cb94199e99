// Holds Wine's desktop open for the Windows test runs (the fixture
// WineDesktop, cmake/wine.cmake).
//
// A console host that finds no desktop process starts one and waits for it,
// up to 10 s, before it passes on the first key; and Wine closes the desktop
// a few seconds after the last program on it has ended, so every run could
// pay that wait again. This program asks for the desktop window, which
// starts the desktop process and waits until it is up, says so on standard
// output, and stays on the desktop until it is ended.
#include <windows.h>

#include <cstdio>

int main() {
  if (!GetDesktopWindow()) {
    std::puts("no desktop");
    return 1;
  }
  std::puts("desktop ready");
  std::fflush(stdout);
  Sleep(INFINITE);
}
