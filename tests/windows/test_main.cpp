// The Windows test program's entry point. Its output is read by CTest on Linux (test discovery
// parses the list of tests), so it goes out with bare line feeds, not the C runtime's CR LF.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include <cstdio>

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
