#include "platform/FileStreams.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <string>

#include "support/VornError.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vorn::platform {
namespace {

class FileStreamsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "vorn-filestream-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".dat";
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("0123456789", f);
    std::fclose(f);
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
};

TEST_F(FileStreamsTest, ReadsSeeksAndReportsSize) {
  auto stream = OpenFileStream(path_.c_str());
  EXPECT_EQ(stream->Size(), 10);
  stream->Seek(7);
  char buf[8] = {};
  EXPECT_EQ(stream->Read(buf, 8), 3u);
  EXPECT_EQ(std::string(buf), "789");
  EXPECT_EQ(stream->Position(), 10);
  stream->Seek(20);  // past the end: reads deliver nothing
  EXPECT_EQ(stream->Read(buf, 8), 0u);
  EXPECT_THROW(stream->Seek(-1), EReadError);
}

TEST_F(FileStreamsTest, AMissingFileOrNoNameIsAReadError) {
  EXPECT_THROW(OpenFileStream((path_ + ".missing").c_str()), EReadError);
  EXPECT_THROW(OpenFileStream(nullptr), EReadError);
  EXPECT_THROW(OpenFileStream(::testing::TempDir().c_str()), EReadError);  // a directory
}

TEST_F(FileStreamsTest, AWideNameOpensTheSameFile) {
  std::u16string wide(path_.begin(), path_.end());
  EXPECT_EQ(OpenFileStreamW(wide.c_str())->Size(), 10);
}

TEST_F(FileStreamsTest, TheHostHandleIsReadInPlaceAndLeftOpen) {
#if defined(_WIN32)
  const int fd = _open(path_.c_str(), _O_RDONLY | _O_BINARY);
  ASSERT_GE(fd, 0);
  const uintptr_t handle = static_cast<uintptr_t>(_get_osfhandle(fd));
#else
  const int fd = ::open(path_.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  const uintptr_t handle = static_cast<uintptr_t>(fd);
#endif
  {
    auto stream = HostHandleStream(handle);
    stream->Seek(2);
    char buf[3] = {};
    EXPECT_EQ(stream->Read(buf, 3), 3u);
    EXPECT_EQ(std::string(buf, 3), "234");
  }
  // The stream is gone; the handle is still open where the stream left it.
#if defined(_WIN32)
  EXPECT_EQ(_lseek(fd, 0, SEEK_CUR), 5);
  EXPECT_EQ(_close(fd), 0);
#else
  EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 5);
  EXPECT_EQ(::close(fd), 0);
#endif
}

}  // namespace
}  // namespace vorn::platform
