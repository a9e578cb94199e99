#include "app/command_line.h"
#include "app/elapsed.h"

int main(int argc, char** argv) {
  ElapsedStart();
  StartUp(argc, argv);
}
