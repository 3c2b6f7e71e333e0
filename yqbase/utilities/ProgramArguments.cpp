#include "yqbase/utilities/ProgramArguments.h"

#include <strings.h>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/StringExtensions.h"
#include "yqbase/utilities/ProgramArgumentsPrivate.h"

namespace yqargs {

namespace {

ArgumentList::iterator FindFrom(ArgumentList& args, const std::string& name,
                                ArgumentList::iterator start, bool stripDash, bool firstMatch) {
  const char* wanted = name.c_str();
  if (stripDash && *wanted == '-') ++wanted;
  ArgumentList::iterator found = args.end();
  for (ArgumentList::iterator it = start; it != args.end(); ++it) {
    const std::string& text = it->GetText();
    if (text.empty() || text[0] != '-' || strcasecmp(text.c_str() + 1, wanted) != 0) continue;
    found = it;
    if (firstMatch) break;
  }
  return found;
}

}  // namespace

ArgumentList::iterator Find(ArgumentList& args, const std::string& name,
                            ArgumentList::iterator start, const SStyle& style) {
  return FindFrom(args, name, start, style.stripDash, style.firstMatch);
}

CYqError GetOption(ArgumentList& args, const std::string& name, const SStyle& style,
                   const FXCodeLocation& location) {
  ArgumentList::iterator it = Find(args, name, args.begin(), style);
  if (it == args.end())
    return FXErrorUtil::ErrorWin32(location, kNotFound, style.notFound, name.c_str());
  it->SetUsed();
  return CYqError();
}

CYqError GetOptionValue(ArgumentList& args, const std::string& name, std::string& value,
                        const SStyle& style, const FXCodeLocation& location) {
  value.clear();
  ArgumentList::iterator it = Find(args, name, args.begin(), style);
  if (it == args.end())
    return FXErrorUtil::ErrorWin32(location, kNotFound, style.notFound, name.c_str());
  ArgumentList::iterator next = it + 1;
  if (next == args.end())
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, style.noValue, name.c_str());
  it->SetUsed();
  next->SetUsed();
  value = next->GetText();
  return CYqError();
}

CYqError GetOptionValues(ArgumentList& args, const std::string& name,
                         std::list<std::string>& values, const SStyle& style,
                         const FXCodeLocation& location) {
  unsigned long long occurrence = 0;
  for (ArgumentList::iterator it = FindFrom(args, name, args.begin(), style.stripDash, true);
       it != args.end(); it = FindFrom(args, name, it + 2, style.stripDash, true)) {
    ++occurrence;
    if (it + 1 == args.end())
      return FXErrorUtil::ErrorWin32(location, kInvalidParameter, style.noValueAt, name.c_str(),
                                     occurrence);
    it->SetUsed();
    (it + 1)->SetUsed();
    values.push_back((it + 1)->GetText());
  }
  if (occurrence == 0)
    return FXErrorUtil::ErrorWin32(location, kNotFound, style.notFound, name.c_str());
  return CYqError();
}

CYqError GetArgument(ArgumentList& args, int position, std::string& value, const SStyle& style,
                     const FXCodeLocation& location) {
  value.clear();
  if (position < 0 || static_cast<size_t>(position) >= args.size())
    return FXErrorUtil::ErrorWin32(location, kNotFound, style.badPosition, position,
                                   static_cast<unsigned long long>(args.size()));
  args[position].SetUsed();
  value = args[position].GetText();
  return CYqError();
}

int GetUnusedArgumentCount(const ArgumentList& args, const SStyle& style,
                           const FXCodeLocation& location) {
  CLogWriterInterface* writer = g_ptrLogWriter.get();
  const bool trace = writer != nullptr && writer->GetDebugLevel() >= 2;
  int count = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i].IsUsed()) continue;
    ++count;
    if (trace)
      writer->LogMessage(2, location.function, location.line, 0, nullptr, style.unusedArgument,
                         static_cast<int>(i + 1), args[i].GetText().c_str());
  }
  return count;
}

void GetUnusedArguments(const ArgumentList& args, std::list<std::string>& out) {
  for (const CCommandLineArgument& arg : args)
    if (!arg.IsUsed()) out.push_back(arg.GetText());
}

CYqError AddOption(ArgumentList& args, const std::string& name, const SStyle& style,
                   const FXCodeLocation& location) {
  if (name.empty())
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "Empty option name");
  if (Find(args, name, args.begin(), style) == args.end()) args.emplace_back(name);
  return CYqError();
}

CYqError AddOption(ArgumentList& args, const std::string& name, const std::string& value,
                   const SStyle& style, const FXCodeLocation& location) {
  if (name.empty())
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "Empty option name");
  ArgumentList::iterator it = Find(args, name, args.begin(), style);
  if (it == args.end()) {
    args.emplace_back(name);
    args.emplace_back(value);
    return CYqError();
  }
  if (it + 1 == args.end())
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, style.noValue, name.c_str());
  (it + 1)->SetText(value);
  return CYqError();
}

std::string JoinQuoted(const ArgumentList& args, bool quoteEmpty) {
  std::string line;
  for (const CCommandLineArgument& arg : args) {
    if (&arg != &args.front()) line += ' ';
    const std::string& text = arg.GetText();
    if (text.find(' ') != std::string::npos || (quoteEmpty && text.empty()))
      line += '"' + text + '"';
    else
      line += text;
  }
  return line;
}

}  // namespace yqargs

namespace {

const yqargs::SStyle kStyle = {false,
                               true,
                               "OptionName=[%s]",
                               "No parameter found for option, OptionName=[%s]",
                               "No parameter found for option, OptionName=[%s], Occurrence=[%llu]",
                               "Position=[%d], Count=[%llu]",
                               "Unused argument, position=[%d], Argument=[%s]"};

yqargs::SStyle Style(DWORD flags) {
  yqargs::SStyle style = kStyle;
  style.firstMatch = (flags & CProgramArguments::kFirstMatch) != 0;
  return style;
}

}  // namespace

CProgramArguments::CProgramArguments(int argc, const char* const* argv, DWORD flags)
    : m_flags(flags) {
  if (argv == nullptr || argc < 1) return;
  m_programName = argv[0] != nullptr ? argv[0] : "";
  for (int i = 1; i < argc; ++i) m_arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
}

CProgramArguments::CProgramArguments(int argc, const wchar_t* const* argv, DWORD flags)
    : m_flags(flags) {
  if (argv == nullptr || argc < 1) return;
  m_programName = FXString::ToString(argv[0] != nullptr ? argv[0] : L"");
  for (int i = 1; i < argc; ++i)
    m_arguments.emplace_back(FXString::ToString(argv[i] != nullptr ? argv[i] : L""));
}

CProgramArguments::CProgramArguments(const std::string& commandLine, DWORD flags) : m_flags(flags) {
  std::vector<std::string> pieces;
  FXString::SplitArguments(commandLine, " \t", pieces);
  for (const std::string& piece : pieces) m_arguments.emplace_back(piece);
}

CProgramArguments::CProgramArguments(const std::wstring& commandLine, DWORD flags)
    : CProgramArguments(FXString::ToString(commandLine), flags) {}

CProgramArguments::~CProgramArguments() = default;

CYqError CProgramArguments::GetArgument(int position, std::string& value) {
  return yqargs::GetArgument(m_arguments, position, value, Style(m_flags), YQ_LOC);
}

CYqError CProgramArguments::GetOption(const std::string& name) {
  return yqargs::GetOption(m_arguments, name, Style(m_flags), YQ_LOC);
}

CYqError CProgramArguments::GetOption(const std::string& name, bool& present) {
  present = FindOption(name) != m_arguments.end();
  return CYqError();
}

CYqError CProgramArguments::GetOption(const std::string& name, std::string& value) {
  return yqargs::GetOptionValue(m_arguments, name, value, Style(m_flags), YQ_LOC);
}

CYqError CProgramArguments::GetOption(const std::string& name, std::list<std::string>& values) {
  return yqargs::GetOptionValues(m_arguments, name, values, Style(m_flags), YQ_LOC);
}

int CProgramArguments::GetUnusedArgumentCount() {
  return yqargs::GetUnusedArgumentCount(m_arguments, Style(m_flags), YQ_LOC);
}

CYqError CProgramArguments::GetUnusedArguments(std::list<std::string>& values) {
  yqargs::GetUnusedArguments(m_arguments, values);
  return CYqError();
}

CYqError CProgramArguments::AddOption(const std::string& name) {
  return yqargs::AddOption(m_arguments, name, Style(m_flags), YQ_LOC);
}

CYqError CProgramArguments::AddOption(const std::string& name, const std::string& value) {
  return yqargs::AddOption(m_arguments, name, value, Style(m_flags), YQ_LOC);
}

CYqError CProgramArguments::RemoveOption(const std::string& name, bool withValue) {
  yqargs::SStyle style = Style(m_flags);
  style.firstMatch = true;  // every occurrence, front to back
  for (iterator it = yqargs::Find(m_arguments, name, m_arguments.begin(), style);
       it != m_arguments.end(); it = yqargs::Find(m_arguments, name, it, style)) {
    iterator last = it + 1;
    if (withValue && last != m_arguments.end()) ++last;
    it = m_arguments.erase(it, last);
  }
  return CYqError();
}

std::string CProgramArguments::GetCommandLine() { return yqargs::JoinQuoted(m_arguments, true); }

CYqError CProgramArguments::GetAllArguemnts(std::list<std::string>& values) {
  for (const CCommandLineArgument& arg : m_arguments) values.push_back(arg.GetText());
  return CYqError();
}

CProgramArguments::iterator CProgramArguments::FindOption(const std::string& name) {
  return FindOption(name, m_arguments.begin());
}

CProgramArguments::iterator CProgramArguments::FindOption(const std::string& name, iterator start) {
  return yqargs::Find(m_arguments, name, start, Style(m_flags));
}
