// The three command-line parsers on any argument vector and command line: every argument is
// reachable by position, a rebuilt command line splits into the same arguments, an added
// option reads back, and the switch map holds only the given arguments.
#include <algorithm>

#include "fuzz/FuzzUtil.h"
#include "yqbase/utilities/CommandLineArguments.h"
#include "yqbase/utilities/QCmdLineParser.h"

namespace {

template <typename Arguments>
std::vector<std::string> Texts(Arguments& arguments) {
  std::vector<std::string> texts;
  for (auto it = arguments.begin(); it != arguments.end(); ++it) texts.push_back(it->GetText());
  return texts;
}

// The rebuilt line quotes arguments with blanks but escapes nothing, so arguments holding a
// quote, backslash or tab have no exact rebuilt form; CCommandLineArguments also leaves empty
// arguments bare, which then vanish.
bool Rebuildable(const std::vector<std::string>& texts, bool quotesEmpty) {
  for (const std::string& t : texts)
    if (t.find_first_of("\"'\\\t") != std::string::npos || (t.empty() && !quotesEmpty))
      return false;
  return true;
}

template <typename Arguments>
void CheckPositions(Arguments& arguments, const std::vector<std::string>& expected) {
  std::string value;
  for (size_t i = 0; i < expected.size(); ++i)
    FUZZ_CHECK(arguments.GetArgument(static_cast<int>(i), value).Succeeded() &&
               value == expected[i]);
  FUZZ_CHECK(arguments.GetArgument(static_cast<int>(expected.size()), value).Failed());
  FUZZ_CHECK(arguments.GetUnusedArgumentCount() == 0);
}

// An added option reads back. The name is appended as given, which need not read as an
// option, and a value beginning with "-" may itself be found as the option.
template <typename Arguments>
void CheckAddOption(Arguments& arguments, const std::string& name, const std::string& value) {
  if (arguments.AddOption(name, value).Failed() || (!value.empty() && value[0] == '-') ||
      arguments.FindOption(name) == arguments.end())
    return;
  std::string read;
  FUZZ_CHECK(arguments.GetOption(name, read).Succeeded() && read == value);
}

void CheckProgramArguments(const std::string& line, const std::vector<std::string>& argv,
                           const std::string& name, const std::string& value, DWORD flags) {
  std::vector<const char*> pointers;
  for (const std::string& a : argv) pointers.push_back(a.c_str());
  CProgramArguments fromVector(static_cast<int>(pointers.size()), pointers.data(), flags);
  CheckPositions(fromVector, std::vector<std::string>(argv.begin() + 1, argv.end()));

  CProgramArguments fromLine(line, flags);
  const std::vector<std::string> texts = Texts(fromLine);
  if (Rebuildable(texts, true)) {
    CProgramArguments rebuilt(fromLine.GetCommandLine(), flags);
    FUZZ_CHECK(Texts(rebuilt) == texts);
  }
  std::list<std::string> values;
  (void)fromLine.GetOption(name, values);
  CheckAddOption(fromLine, name, value);
  (void)fromLine.RemoveOption(name, flags != 0);
  CheckPositions(fromLine, Texts(fromLine));
}

void CheckCommandLineArguments(const std::string& line, const std::vector<std::string>& argv,
                               const std::string& name, const std::string& value) {
  std::vector<const char*> pointers;
  for (const std::string& a : argv) pointers.push_back(a.c_str());
  CCommandLineArguments fromVector(static_cast<int>(pointers.size()), pointers.data());
  CheckPositions(fromVector, std::vector<std::string>(argv.begin() + 1, argv.end()));

  CCommandLineArguments fromLine(line);
  const std::vector<std::string> texts = Texts(fromLine);
  if (Rebuildable(texts, false)) {
    CCommandLineArguments rebuilt(fromLine.GetCommandLineString());
    FUZZ_CHECK(Texts(rebuilt) == texts);
  }
  CheckAddOption(fromLine, name, value);
  CheckPositions(fromLine, Texts(fromLine));
}

void CheckSwitchMap(const std::vector<std::string>& argv, char switchChar) {
  std::vector<const char*> pointers;
  for (const std::string& a : argv) pointers.push_back(a.c_str());
  CQCmdLineParser parser = switchChar == 0 ? CQCmdLineParser() : CQCmdLineParser(switchChar);
  if (parser.ParseCmdLine(static_cast<int>(pointers.size()), pointers.data()).Failed()) return;
  const std::list<CYqString> names = parser.getParamList();
  FUZZ_CHECK(names.size() <= argv.size() - 1 && names.size() * 2 >= argv.size() - 1);
  for (const CYqString& name : names) {
    CYqString value;
    FUZZ_CHECK(parser.getParamValue(name, value).Succeeded());
    FUZZ_CHECK(std::string(value.c_str()).empty() ||
               std::find(argv.begin() + 1, argv.end(), value.c_str()) != argv.end());
    FUZZ_CHECK(parser.DoesParamExistsIgnoreCase(name));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const DWORD flags = input.ConsumeBool() ? CProgramArguments::kFirstMatch : 0;
  const char switchChar = input.PickValueInArray({'\0', '-', '/', 'x'});
  const std::string name = yqfuzz::UpToNul(input.ConsumeRandomLengthString(16));
  const std::string value = yqfuzz::UpToNul(input.ConsumeRandomLengthString(16));
  const std::string line = input.ConsumeRemainingBytesAsString();
  std::vector<std::string> argv = {"program"};
  for (const std::string& a : yqfuzz::SplitAt(line, '\0')) argv.push_back(a);

  CheckProgramArguments(yqfuzz::UpToNul(line), argv, name, value, flags);
  CheckCommandLineArguments(yqfuzz::UpToNul(line), argv, name, value);
  CheckSwitchMap(argv, switchChar);
  return 0;
}
