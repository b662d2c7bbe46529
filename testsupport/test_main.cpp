// Every test process gets its own settings folder, so no test ever reads or
// writes the settings of a real user.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  std::string dir = (std::filesystem::temp_directory_path() / "korvane-config-XXXXXX").string();
  if (mkdtemp(dir.data())) setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return rc;
}
