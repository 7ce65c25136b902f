#include "platform/pipe_path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

TEST(PipePath, LocalPipesMapToSocketsInThePipeFolder) {
  ::setenv("VDRK_PIPE_DIR", "/tmp/vdrk-pipes", 1);
  using vexo::platform::gf_pipeSocketPath;
  EXPECT_EQ(gf_pipeSocketPath("\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect"),
            std::filesystem::path("/tmp/vdrk-pipes/Lockheed Martin Prepar3D v5_SimConnect"));
  EXPECT_EQ(gf_pipeSocketPath("\\\\.\\PIPE\\mine"), std::filesystem::path("/tmp/vdrk-pipes/mine"));
  EXPECT_FALSE(gf_pipeSocketPath("\\\\simhost\\pipe\\mine")) << "only the local server has pipes";
  EXPECT_FALSE(gf_pipeSocketPath("\\\\.\\pipe\\"));
  EXPECT_FALSE(gf_pipeSocketPath("\\\\.\\pipe\\.."));
  EXPECT_FALSE(gf_pipeSocketPath("\\\\.\\mailslot\\x"));
  EXPECT_FALSE(gf_pipeSocketPath("pipe\\x"));
  EXPECT_FALSE(gf_pipeSocketPath("\\\\.\\pipe\\" + std::string(120, 'n'))) << "too long for a socket address";
  ::unsetenv("VDRK_PIPE_DIR");
}
