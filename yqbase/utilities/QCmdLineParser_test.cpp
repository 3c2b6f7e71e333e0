#include "yqbase/utilities/QCmdLineParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"

namespace {

// "key=value" of every entry in map order, or "<win32 code>|<error text>" after a failure.
std::string Parse(CQCmdLineParser& parser, std::vector<const char*> argv) {
  const CYqError err = parser.ParseCmdLine(static_cast<int>(argv.size()), argv.data());
  std::string out;
  if (err.Failed())
    out = std::to_string(FXErrorUtil::GetWin32(err)) + "|" +
          err.AsString(EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE) + " ";
  for (const CYqString& name : parser.getParamList()) {
    CYqString value;
    EXPECT_TRUE(parser.getParamValue(name, value).Succeeded());
    out += std::string(name.c_str()) + "=" + value.c_str() + ";";
  }
  return out;
}

}  // namespace

TEST(CQCmdLineParser, SwitchesValuesAndPositions) {
  const struct {
    char switchChar;  // 0: the default set
    std::vector<const char*> argv;
    const char* parsed;
  } rows[] = {
      {0, {"prog", "-a", "-b", "x", "y"}, "a=;b=x;position_4=y;"},
      {0, {"prog", "/in", "f", "\\q", "-"}, "=;in=f;q=;"},  // a lone switch has an empty name
      {0, {"prog"}, ""},
      {0, {"prog", "", "--", "z"}, "-=z;position_1=;"},
      {'+', {"prog", "+v", "-w", "/x", "+"}, "=;position_3=/x;v=-w;"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.parsed);
    CQCmdLineParser parser =
        row.switchChar != 0 ? CQCmdLineParser(row.switchChar) : CQCmdLineParser();
    EXPECT_EQ(row.parsed, Parse(parser, row.argv));
  }
}

TEST(CQCmdLineParser, RepeatedNameAndNullArgumentsFail) {
  CQCmdLineParser parser;
  const std::string repeated = Parse(parser, {"prog", "-a", "1", "-a", "2"});
  EXPECT_EQ(0u, repeated.find("85|"));
  EXPECT_NE(std::string::npos, repeated.find("Parameter a already present"));
  EXPECT_NE(std::string::npos, repeated.find(" a=1;"));  // what came before stays

  EXPECT_EQ(0u, Parse(parser, {"prog", nullptr}).find("87|"));
  const CYqError err = parser.ParseCmdLine(3, nullptr);
  EXPECT_EQ(87u, FXErrorUtil::GetWin32(err));
  EXPECT_NE(std::string::npos, err.AsString().find("NULL argument supplied"));
}

TEST(CQCmdLineParser, LookupsExactAndIgnoringCase) {
  CQCmdLineParser parser;
  EXPECT_EQ("Out=f;", Parse(parser, {"prog", "-Out", "f"}));
  CYqString value("stale");
  const CYqError missing = parser.getParamValue("out", value);
  EXPECT_EQ(1168u, FXErrorUtil::GetWin32(missing));
  EXPECT_NE(std::string::npos, missing.AsString().find("Parameter out not found"));
  EXPECT_STREQ("stale", value.c_str());
  EXPECT_TRUE(parser.getParamValueIgnoreCase("OUT", value).Succeeded());
  EXPECT_STREQ("f", value.c_str());
  EXPECT_FALSE(parser.DoesParamExists("out"));
  EXPECT_TRUE(parser.DoesParamExistsIgnoreCase("out"));
  EXPECT_EQ(1168u, FXErrorUtil::GetWin32(parser.getParamValueIgnoreCase("in", value)));
}
