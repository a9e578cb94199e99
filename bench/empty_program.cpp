#include <cstdio>

int main() {
  std::fflush(stdout);
  return 0;
}
