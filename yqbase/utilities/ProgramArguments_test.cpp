#include "yqbase/utilities/ProgramArguments.h"

#include <gtest/gtest.h>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriter_testutil.h"
#include "yqbase/utilities/CommandLineArguments.h"

namespace {

typedef std::vector<std::string> Strings;

// Builds an argv with a program name in front of `args`.
struct SArgv {
  explicit SArgv(const Strings& args) : texts(args) {
    pointers.push_back("prog");
    for (const std::string& t : texts) pointers.push_back(t.c_str());
  }
  int argc() const { return static_cast<int>(pointers.size()); }
  Strings texts;
  std::vector<const char*> pointers;
};

// "ok" for a success, else "<win32 code>|<text>". The text is the message part of `expected`
// ("<code>|<message>") when the error's full text holds it, else that full text; so a row
// names only the message it is about.
std::string Outcome(const CYqError& err, const std::string& expected) {
  if (err.Succeeded()) return "ok";
  const std::string message = expected.substr(expected.find('|') + 1);
  const std::string text = err.AsString(EErrorOutputFormat::LOGGING_FULL);
  return std::to_string(FXErrorUtil::GetWin32(err)) + "|" +
         (text.find(message) != std::string::npos ? message : text);
}

#define EXPECT_OUTCOME(expected, call) EXPECT_EQ(std::string(expected), Outcome((call), (expected)))

template <typename Args>
int Position(Args& args, typename Args::iterator it) {
  return it == args.end() ? -1 : static_cast<int>(it - args.begin());
}

}  // namespace

TEST(CProgramArguments, FindOptionFirstOrLastIgnoringCaseAndOneDash) {
  SArgv argv({"-v", "x", "-V", "--v", "-", "--"});
  CProgramArguments last(argv.argc(), argv.pointers.data());
  CProgramArguments first(argv.argc(), argv.pointers.data(), CProgramArguments::kFirstMatch);
  CCommandLineArguments plain(argv.argc(), argv.pointers.data());
  const struct {
    const char* name;
    int last, first, plain;
  } rows[] = {
      {"v", 2, 0, 0},    {"-v", 2, 0, 3},    // the plain list compares the name as given
      {"--v", 3, 3, -1}, {"x", -1, -1, -1},  // a value is not an option
      {"", 4, 4, 4},     {"-", 4, 4, 5},     // the lone "-" is the option "", "--" is "-"
      {"--", 5, 5, -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.last, Position(last, last.FindOption(row.name)));
    EXPECT_EQ(row.first, Position(first, first.FindOption(row.name)));
    EXPECT_EQ(row.plain, Position(plain, plain.FindOption(row.name)));
  }
  EXPECT_EQ(2, Position(first, first.FindOption("v", first.begin() + 1)));
}

TEST(CProgramArguments, OptionValuesAndFailures) {
  const struct {
    Strings args;
    const char* name;
    const char* outcome;       // CProgramArguments
    const char* plainOutcome;  // CCommandLineArguments
    const char* value;
    int unused;
  } rows[] = {
      {{"-out", "x", "y"}, "out", "ok", "ok", "x", 1},
      {{"-out"}, "out", "87|OptionName=[out]", "87|OptionName=out", "", 1},
      {{}, "out", "1168|OptionName=[out]", "1168|OptionName=out", "", 0},
      {{"-a", "-b"}, "a", "ok", "ok", "-b", 0},  // the next argument, whatever it is
      {{"-", "in"}, "", "ok", "ok", "in", 0},
      {{"--", "rest"}, "--", "ok", "1168|OptionName=--", "rest", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SArgv argv(row.args);
    CProgramArguments args(argv.argc(), argv.pointers.data());
    CCommandLineArguments plain(argv.argc(), argv.pointers.data());
    std::string value = "stale", plainValue = "stale";
    EXPECT_EQ(row.outcome, Outcome(args.GetOption(row.name, value), row.outcome));
    EXPECT_EQ(row.plainOutcome, Outcome(plain.GetOption(row.name, plainValue), row.plainOutcome));
    EXPECT_EQ(row.value, value);
    EXPECT_EQ(row.unused, args.GetUnusedArgumentCount());
  }
}

TEST(CProgramArguments, EveryOccurrenceAndPositions) {
  SArgv argv({"-I", "a", "-i", "-I", "-I"});
  CProgramArguments args(argv.argc(), argv.pointers.data());
  CCommandLineArguments plain(argv.argc(), argv.pointers.data());
  std::list<std::string> values, plainValues;
  EXPECT_OUTCOME("87|No parameter found for option, OptionName=[I], Occurrence=[3]",
                 args.GetOption("I", values));
  EXPECT_OUTCOME("87|No parameter found for option, OptionName=I, Occurrence=3",
                 plain.GetOption("I", plainValues));
  EXPECT_EQ((std::list<std::string>{"a", "-I"}), values);  // a value is not an occurrence
  EXPECT_OUTCOME("1168|OptionName=[q]", args.GetOption("q", values));
  EXPECT_EQ(1, args.GetUnusedArgumentCount());

  std::string value = "stale";
  EXPECT_OUTCOME("1168|Position=[-1], Count=[5]", args.GetArgument(-1, value));
  EXPECT_EQ("", value);
  EXPECT_OUTCOME("1168|Position=[5], Count=[5]", args.GetArgument(5, value));
  EXPECT_OUTCOME("1168|Position=9, Count=5", plain.GetArgument(9, value));
  EXPECT_OUTCOME("ok", args.GetArgument(4, value));
  EXPECT_EQ("-I", value);
}

TEST(CProgramArguments, UnusedArgumentsAreCountedAndLogged) {
  yqtest::CScopedCaptureLog capture(2);
  SArgv argv({"-a", "1", "b"});
  CProgramArguments args(argv.argc(), argv.pointers.data());
  CCommandLineArguments plain(argv.argc(), argv.pointers.data());
  std::string value;
  EXPECT_OUTCOME("ok", args.GetOption("a", value));
  EXPECT_OUTCOME("ok", plain.GetOption("a"));
  EXPECT_EQ(1, args.GetUnusedArgumentCount());
  EXPECT_EQ(2, plain.GetUnusedArgumentCount());
  std::list<std::string> unused;
  EXPECT_OUTCOME("ok", args.GetUnusedArguments(unused));
  EXPECT_EQ((std::list<std::string>{"b"}), unused);
  Strings texts;
  for (const yqtest::SRecordedLine& line : capture.Writer().Lines())
    texts.push_back(std::to_string(line.level) + "|" + line.text);
  EXPECT_EQ((Strings{"2|Unused argument, position=[3], Argument=[b]",
                     "2|Unused argument, position=2, Argument=1",
                     "2|Unused argument, position=3, Argument=b"}),
            texts);
}

TEST(CProgramArguments, AddRemoveAndCommandLineRoundTrip) {
  CProgramArguments args(std::string("a 'b c' \"\" -v"));
  EXPECT_EQ("", args.GetProgramName());
  EXPECT_EQ("a \"b c\" \"\" -v", args.GetCommandLine());
  EXPECT_OUTCOME("87|No parameter found for option, OptionName=[v]", args.AddOption("v", "1"));
  EXPECT_OUTCOME("87|Empty option name", args.AddOption(""));
  EXPECT_OUTCOME("ok", args.AddOption("-V"));  // found already: not added twice
  EXPECT_OUTCOME("ok", args.AddOption("-out", "x"));
  EXPECT_OUTCOME("ok", args.AddOption("-OUT", "y z"));  // replaces the value
  EXPECT_OUTCOME("ok", args.AddOption("-out"));
  EXPECT_EQ("a \"b c\" \"\" -v -out \"y z\"", args.GetCommandLine());
  // What GetCommandLine writes reads back as the same arguments.
  std::list<std::string> before, after;
  EXPECT_OUTCOME("ok", args.GetAllArguemnts(before));
  CProgramArguments reread(args.GetCommandLine());
  EXPECT_OUTCOME("ok", reread.GetAllArguemnts(after));
  EXPECT_EQ(before, after);

  CProgramArguments repeated(std::string("-x 1 -X 2 keep -x"));
  EXPECT_OUTCOME("ok", repeated.RemoveOption("x", true));
  EXPECT_EQ("keep", repeated.GetCommandLine());
  CProgramArguments bare(std::string("-x 1 -x"));
  EXPECT_OUTCOME("ok", bare.RemoveOption("-x", false));
  EXPECT_EQ("1", bare.GetCommandLine());

  CCommandLineArguments plain(std::wstring(L"a \"b c\" \"\""));
  EXPECT_EQ("a \"b c\" ", plain.GetCommandLineString());  // empty arguments stay bare
}

TEST(CProgramArguments, ConstructionFromVectors) {
  const char* narrow[] = {"prog", nullptr, "-x"};
  const wchar_t* wide[] = {L"w\u00e9", L"-\u00e9t\u00e9"};
  struct {
    CProgramArguments args;
    const char* name;
    const char* line;
  } rows[] = {
      {CProgramArguments(3, narrow), "prog", "\"\" -x"},  // a null entry is an empty argument
      {CProgramArguments(0, narrow), "", ""},
      {CProgramArguments(2, static_cast<const char* const*>(nullptr)), "", ""},
      {CProgramArguments(2, wide), "w\xc3\xa9", "-\xc3\xa9t\xc3\xa9"},
  };
  for (auto& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(row.name, row.args.GetProgramName());
    EXPECT_EQ(row.line, row.args.GetCommandLine());
  }
  CCommandLineArguments plain(2, wide);
  EXPECT_TRUE(plain.GetOption("\xc3\xa9t\xc3\xa9").Succeeded());
}
