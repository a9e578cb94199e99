// Start-up: the command line, the port, its link mode's settings, then the
// run. Every failure is reported and becomes the exit status.
#pragma once

// Parses the command line, opens and configures the port and runs the
// control loop; the exit status: 1 after the usage text, an open or a
// configuration error, or a failed sample; 0 after a quit key.
int StartUp(int argc, const char* const* argv);
