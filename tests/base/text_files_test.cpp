// The shared text and file helpers: the cases their callers rely on.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "base/files.h"
#include "base/text.h"
#include "temp_dir.h"

namespace zarvo {
namespace {

TEST(TextHelpers, TrimCaseAndComparison) {
  EXPECT_EQ(Trim(" \t512Kx8\r\n"), "512Kx8");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("a b"), "a b");
  EXPECT_EQ(Upper("/16bit_even d:\\a.hex"), "/16BIT_EVEN D:\\A.HEX");
  EXPECT_EQ(Lower("Chinese.INI"), "chinese.ini");
  EXPECT_EQ(Upper("\xe4\xb8\xad"), "\xe4\xb8\xad");  // bytes above 0x7F stay as they are
  EXPECT_TRUE(EqualNoCase("Chinese.ini", "CHINESE.INI"));
  EXPECT_FALSE(EqualNoCase("Chinese.ini", "Chinese.in"));
  EXPECT_FALSE(EqualNoCase("a", "b"));
  EXPECT_TRUE(EqualNoCase("", ""));
}

TEST(FileHelpers, JoinRegularFilesAndWholeReads) {
  test::TempDir dir;
  EXPECT_EQ(JoinPath("/srv", "fw.bin"), "/srv/fw.bin");
  EXPECT_EQ(JoinPath("/srv/", "fw.bin"), "/srv/fw.bin");
  EXPECT_EQ(JoinPath("", "fw.bin"), "fw.bin");

  const std::string file = dir.writeText("a.txt", std::string("line 1\r\n\0line 2", 15));
  EXPECT_TRUE(IsRegularFile(file));
  EXPECT_FALSE(IsRegularFile(dir.path().string()));
  EXPECT_FALSE(IsRegularFile(dir.file("none")));
  EXPECT_FALSE(IsRegularFile(""));

  std::string text = "old", why;
  ASSERT_TRUE(ReadWholeText(file, text, &why)) << why;
  EXPECT_EQ(text, std::string("line 1\r\n\0line 2", 15));  // every byte, NUL included

  const std::string fifo = dir.file("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  text = "kept";
  EXPECT_FALSE(ReadWholeText(fifo, text, &why));  // refused, without waiting for a writer
  EXPECT_EQ(why, "not a regular file");
  EXPECT_EQ(text, "kept");
  EXPECT_FALSE(ReadWholeText(dir.path().string(), text, &why));
  EXPECT_EQ(why, "Is a directory");
  EXPECT_FALSE(ReadWholeText(dir.file("none"), text, &why));
  EXPECT_EQ(why, "No such file or directory");
}

}  // namespace
}  // namespace zarvo
