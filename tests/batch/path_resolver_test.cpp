#include "base/path_resolver.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "temp_dir.h"

namespace zarvo {
namespace {

using test::TempDir;

class PathResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = dir.path().string();
    dir.writeText("fw/Boot.hex", ":00000001FF\n");
    dir.writeText("fw/sub dir/App.BIN", "x");
    profile.setPath(dir.file("settings.ini"));
    ASSERT_TRUE(profile.writeText("Drives", "D", root));
  }
  std::string resolve(const std::string& name) {
    std::string path, error;
    EXPECT_TRUE(resolver.resolve(name, path, error)) << error;
    return path;
  }

  TempDir dir;
  std::string root;
  Profile profile;
  PathResolver resolver{profile};
};

TEST_F(PathResolverTest, MapsDrivesAndMatchesComponentsWithoutCase) {
  EXPECT_EQ(resolve("D:\\FW\\BOOT.HEX"), root + "/fw/Boot.hex");
  EXPECT_EQ(resolve("d:/fw/boot.HEX"), root + "/fw/Boot.hex");
  EXPECT_EQ(resolve("D:\\FW\\SUB DIR\\APP.BIN"), root + "/fw/sub dir/App.BIN");
  EXPECT_EQ(resolve("D:\\\\FW\\.\\BOOT.HEX"), root + "/fw/./Boot.hex");
  // Z: is the root of the filesystem.
  EXPECT_EQ(resolve("Z:" + root + "/FW/BOOT.HEX"), root + "/fw/Boot.hex");
  std::string upper = root;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::replace(upper.begin(), upper.end(), '/', '\\');
  EXPECT_TRUE(std::filesystem::exists(resolve("Z:" + upper + "\\FW\\BOOT.HEX")));
}

TEST_F(PathResolverTest, NativePathsAndMissingFilesPassThrough) {
  EXPECT_EQ(resolve(root + "/FW/BOOT.HEX"), root + "/FW/BOOT.HEX");  // no drive: used as it is
  EXPECT_EQ(resolve("relative/file.bin"), "relative/file.bin");
  // A component that matches nothing stays as written; the caller reports the missing file.
  EXPECT_EQ(resolve("D:\\FW\\NONE.HEX"), root + "/fw/NONE.HEX");
  EXPECT_EQ(resolve("D:\\NODIR\\BOOT.HEX"), root + "/NODIR/BOOT.HEX");
}

TEST_F(PathResolverTest, ExactMatchWinsAndAmbiguityNamesTheCandidates) {
  dir.writeText("fw/boot.hex", "lower");
  EXPECT_EQ(resolve("D:\\fw\\boot.hex"), root + "/fw/boot.hex");
  std::string path, error;
  EXPECT_FALSE(resolver.resolve("D:\\FW\\BOOT.HEX", path, error));
  EXPECT_EQ(error, root + "/fw/BOOT.HEX matches more than one file: " + root + "/fw/Boot.hex " + root +
                       "/fw/boot.hex");
}

TEST_F(PathResolverTest, UnmappedDriveIsAnError) {
  std::string path, error;
  EXPECT_FALSE(resolver.resolve("Q:\\A.BIN", path, error));
  EXPECT_NE(error.find("drive Q: is not mapped"), std::string::npos) << error;
  EXPECT_NE(error.find("[Drives]"), std::string::npos) << error;
  // The [Drives] keys match without regard to case, like every settings key.
  ASSERT_TRUE(profile.writeText("drives", "q", root + "/fw"));
  EXPECT_EQ(resolve("Q:\\BOOT.HEX"), root + "/fw/Boot.hex");
}

}  // namespace
}  // namespace zarvo
