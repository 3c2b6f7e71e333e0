#include "yqbase/errors/ZkException.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <boost/make_shared.hpp>
#include <cstdio>
#include <string>
#include <vector>

#include "yqbase/logging/LogWriter_testutil.h"

namespace {

const char kMarker[] = "/tmp/ZkException.log";

// Records every line; optionally builds a ZkException from inside the writer, as a writer
// that fails might (its construction logs again).
class CThrowingWriter : public yqtest::CRecordingWriter {
 public:
  bool throwInside = false;

  void LogMessageV(int level, const char* function, unsigned line, unsigned long long jobId,
                   const char* tag, const char* format, va_list args) override {
    yqtest::CRecordingWriter::LogMessageV(level, function, line, jobId, tag, format, args);
    if (throwInside) ZkException("Writer", "nested", "w.cpp", 1, 0);
  }
};

// Creates the marker file and removes it again, also when an assertion ends the test early.
struct SMarkerScope {
  const bool created = close(open(kMarker, O_WRONLY | O_CREAT | O_EXCL, 0644)) == 0;
  ~SMarkerScope() {
    if (created) std::remove(kMarker);
  }
};

}  // namespace

TEST(ZkException, FieldsAndDefaults) {
  const ZkException e("Parse", std::string("bad input"), "p.cpp", 42, 22);
  EXPECT_EQ("Parse|bad input|bad input|p.cpp|42|22|Parse(): bad input",
            std::string(e.getFunction()) + "|" + e.getMessage() + "|" + e.what() + "|" +
                e.getFile() + "|" + std::to_string(e.getLine()) + "|" +
                std::to_string(e.getErrno()) + "|" + e.formatError());
  const ZkException null(nullptr, static_cast<const char*>(nullptr), nullptr, 0, 0);
  EXPECT_EQ("unknown|Not enough memory|unknown|unknown(): Not enough memory",
            std::string(null.getFunction()) + "|" + null.getMessage() + "|" + null.getFile() + "|" +
                null.formatError());
}

// Copies own their strings: changing or destroying the source leaves them intact.
TEST(ZkException, CopiesAreDeep) {
  auto* source = new ZkException("F", "first", "f.cpp", 1, 2);
  ZkException copy(*source);
  ZkException assigned("G", "other", "g.cpp", 3, 4);
  assigned = *source;
  EXPECT_NE(source->getMessage(), copy.getMessage());
  source->setMessage("changed");
  EXPECT_STREQ("changed", source->getMessage());
  delete source;
  EXPECT_EQ("F(): first", copy.formatError());
  EXPECT_EQ("F(): first", assigned.formatError());
  EXPECT_EQ(2, assigned.getErrno());
  ZkException& same = assigned;
  assigned = same;  // self-assignment keeps the strings
  EXPECT_STREQ("f.cpp", assigned.getFile());
  assigned.setMessage(nullptr);
  EXPECT_STREQ("Not enough memory", assigned.getMessage());
}

// The marker file is shared by the whole machine, so the one test that creates it does both
// halves and leaves a marker it did not create alone.
TEST(ZkException, LogsOnlyWhileTheMarkerExists) {
  if (access(kMarker, F_OK) == 0) GTEST_SKIP() << kMarker << " exists already";
  const auto writer = boost::make_shared<CThrowingWriter>();
  yqtest::CScopedWriter scope(writer);
  testing::internal::CaptureStderr();
  ZkException quiet("F", "quiet", "f.cpp", 1, 2);
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  EXPECT_TRUE(writer->lines.empty());

  std::string err;
  {
    SMarkerScope marker;
    ASSERT_TRUE(marker.created);
    testing::internal::CaptureStderr();
    ZkException loud("F", "loud", "f.cpp", 7, 13);
    loud.setMessage("louder");
    ZkException noErrno("G", "plain", "g.cpp", 8, 0);
    writer->throwInside = true;
    ZkException nested("H", "outer", "h.cpp", 9, -1);
    err = testing::internal::GetCapturedStderr();
  }

  const std::string first =
      "ZkException::init(): func_name=F, file_name=f.cpp:7, message='loud', "
      "errno=13";
  EXPECT_NE(std::string::npos, err.find("ZkException:" + first + "\n"));
  EXPECT_NE(std::string::npos, err.find("ZkException:ZkException::setMessage(): message='louder'"));
  const auto& lines = writer->lines;
  // The nested exception inside the writer reaches stderr but not the writer again.
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ(first, lines[0].text);
  EXPECT_EQ(-1, lines[0].level);
  EXPECT_EQ("void log(const char*, ...)", lines[0].function);
  EXPECT_EQ(49u, lines[0].line);
  EXPECT_EQ("ZkException::setMessage(): message='louder'", lines[1].text);
  EXPECT_EQ("ZkException::init(): func_name=G, file_name=g.cpp:8, message='plain'", lines[2].text);
  EXPECT_EQ("ZkException::init(): func_name=H, file_name=h.cpp:9, message='outer'", lines[3].text);
  EXPECT_NE(std::string::npos, err.find("message='nested'"));
}
