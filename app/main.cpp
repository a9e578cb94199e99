#include "app/start_up.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  PlatformOpenStandardStreams();
  PlatformExit(StartUp(argc, argv));
}
