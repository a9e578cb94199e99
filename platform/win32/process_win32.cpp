// The process's standard streams on Windows.
#include "platform/platform.h"

// Devices and files are opened as handles of their own, never in the place
// of a closed standard stream, so there is nothing to fill.
void PlatformOpenStandardStreams() {}
