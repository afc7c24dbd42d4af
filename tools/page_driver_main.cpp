// The page driver's entry point. For now it only reports that no profile runner exists yet.
#include <cstdio>

int main() {
  std::fputs("bellnest_page: the simulated profile runner is not built yet\n", stderr);
  return 1;
}
