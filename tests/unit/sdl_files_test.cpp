#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/sdl/sdl_platform.h"

namespace {

using namespace platform::sdl;
namespace fs = std::filesystem;

class SdlFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("sdl_files_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root);
  }
  void TearDown() override { fs::remove_all(root); }
  void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  fs::path root;
};

TEST(SdlConfigDirectory, UsesXdgConfigHomeWhenItIsAnAbsolutePath) {
  EXPECT_EQ(ConfigDirectory("/cfg", "/home/ana"), fs::path("/cfg/mirabo"));
  EXPECT_EQ(ConfigDirectory(nullptr, "/home/ana"), fs::path("/home/ana/.config/mirabo"));
  EXPECT_EQ(ConfigDirectory("", "/home/ana"), fs::path("/home/ana/.config/mirabo"));
  EXPECT_EQ(ConfigDirectory("relative", "/home/ana"), fs::path("/home/ana/.config/mirabo"));
}

TEST(SdlConfigDirectory, TellsBareNamesFromPaths) {
  EXPECT_TRUE(IsBareName("MIRABO.INI"));
  EXPECT_FALSE(IsBareName("./MIRABO.INI"));
  EXPECT_FALSE(IsBareName("C:\\WINDOWS\\MIRABO.INI"));
}

TEST_F(SdlFiles, FindsANameWhateverItsCase) {
  Write(root / "Mirabo.ini", "[VIDEO]\n");
  auto found = FindIgnoringCase(root, "MIRABO.INI");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->filename(), "Mirabo.ini");
  EXPECT_EQ(ReadTextFile(*found), "[VIDEO]\n");
  EXPECT_FALSE(FindIgnoringCase(root, "MIRABO.IN"));
  EXPECT_FALSE(FindIgnoringCase(root / "missing", "MIRABO.INI"));
}

TEST_F(SdlFiles, PrefersTheExactNameAndIgnoresDirectoriesOfThatName) {
  fs::create_directories(root / "a" / "fones.dat");
  Write(root / "b" / "FONES.DAT", "upper");
  Write(root / "b" / "fones.DAT", "exact");
  EXPECT_EQ(ReadTextFile(*FindInDirectories({root / "a", root / "b"}, "fones.DAT")), "exact");
}

TEST_F(SdlFiles, SearchesTheDirectoriesInOrder) {
  Write(root / "program" / "fones.DAT", "beside the program");
  Write(root / "share" / "fones.DAT", "installed");
  auto found = FindInDirectories({root / "current", root / "program", root / "share"}, "fones.DAT");
  ASSERT_TRUE(found);
  EXPECT_EQ(ReadTextFile(*found), "beside the program");
  EXPECT_FALSE(ReadTextFile(root / "nothing"));
}

}  // namespace
