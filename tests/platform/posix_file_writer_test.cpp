// The file writer on Linux: a new file only, never through a link someone
// else put in its place, and a replacement in one step.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/posix/file_writer_posix.h"

namespace kestro {
namespace {

std::string Read(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

TEST(PosixFileWriter, WritesNewFilesOnlyAndReplacesInOneStep) {
  char dir[] = "/tmp/kestro-writer-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  const std::string d = dir, target = d + "/victim", prom = d + "/k.prom", temp = prom + ".tmp";
  std::ofstream(target) << "keep\n";
  PosixFileWriter writer;

  ASSERT_EQ(0, symlink(target.c_str(), temp.c_str()));
  EXPECT_FALSE(writer.WriteNewFile(temp, "planted\n"));
  EXPECT_EQ(EEXIST, errno);
  EXPECT_EQ("keep\n", Read(target));
  unlink(temp.c_str());

  std::ofstream(prom) << "old\n";
  EXPECT_TRUE(writer.WriteNewFile(temp, "new\n"));
  EXPECT_TRUE(writer.MoveOver(temp, prom));
  EXPECT_EQ("new\n", Read(prom));
  EXPECT_NE(0, access(temp.c_str(), F_OK));

  EXPECT_FALSE(writer.WriteNewFile(d + "/none/k.prom", "x"));
  EXPECT_EQ(ENOENT, errno);
  for (const std::string& f : {target, prom}) unlink(f.c_str());
  rmdir(dir);
}

}  // namespace
}  // namespace kestro
