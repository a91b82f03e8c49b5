// Starting the downloaded installer detached from the program.
#include "diagnostics/installer_launch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/temp_dir.h"

namespace talvesso {
namespace {

TEST(InstallerLaunch, MarksTheFileExecutableAndStartsItInASessionOfItsOwn) {
  test::TTempDir dir;
  // The "installer" notes its session and its working folder.
  auto installer = dir.WriteFile("server_setup.exe",
                                 "#!/bin/sh\n"
                                 "set -- $(cat /proc/$$/stat)\n"
                                 "echo \"$6 $(pwd)\" > started.tmp && mv started.tmp started\n");
  ASSERT_EQ(chmod(installer.c_str(), 0600), 0);

  EXPECT_TRUE(StartInstaller(installer.string()));

  struct stat info {};
  ASSERT_EQ(stat(installer.c_str(), &info), 0);
  EXPECT_TRUE(info.st_mode & S_IXUSR);
  const auto marker = dir.Path() / "started";
  ASSERT_TRUE(test::WaitFor([&] { return std::filesystem::exists(marker); }));
  std::istringstream fields(test::ReadWholeFile(marker));
  pid_t session = 0;
  std::string folder;
  fields >> session >> folder;
  EXPECT_NE(session, getsid(0));
  EXPECT_EQ(std::filesystem::canonical(folder), std::filesystem::canonical(dir.Path()));
}

TEST(InstallerLaunch, StartIsOnlyAttemptedForAnExistingFile) {
  test::TTempDir dir;
  EXPECT_FALSE(StartInstaller((dir.Path() / "server_setup.exe").string()));
  // A file that is no program: the start is attempted, whether it works is not examined.
  auto broken = dir.WriteFile("server_setup.exe", "MZ not a program here");
  EXPECT_TRUE(StartInstaller(broken.string()));
}

}  // namespace
}  // namespace talvesso
