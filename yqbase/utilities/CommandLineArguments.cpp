#include "yqbase/utilities/CommandLineArguments.h"

#include "yqbase/utilities/ProgramArgumentsPrivate.h"

namespace {

const yqargs::SStyle kStyle = {true,
                               false,
                               "OptionName=%s",
                               "No parameter found for option, OptionName=%s",
                               "No parameter found for option, OptionName=%s, Occurrence=%llu",
                               "Position=%d, Count=%llu",
                               "Unused argument, position=%d, Argument=%s"};

// Copies the program name and arguments that CProgramArguments read.
void Load(CProgramArguments&& parsed, std::string& programName,
          CCommandLineArguments::ArgumentList& arguments) {
  programName = parsed.GetProgramName();
  arguments.assign(parsed.begin(), parsed.end());
}

}  // namespace

CCommandLineArguments::CCommandLineArguments(int argc, const char* const* argv) {
  Load(CProgramArguments(argc, argv), m_programName, m_arguments);
}

CCommandLineArguments::CCommandLineArguments(int argc, const wchar_t* const* argv) {
  Load(CProgramArguments(argc, argv), m_programName, m_arguments);
}

CCommandLineArguments::CCommandLineArguments(const std::string& commandLine) {
  Load(CProgramArguments(commandLine), m_programName, m_arguments);
}

CCommandLineArguments::CCommandLineArguments(const std::wstring& commandLine) {
  Load(CProgramArguments(commandLine), m_programName, m_arguments);
}

CCommandLineArguments::~CCommandLineArguments() = default;

CYqError CCommandLineArguments::GetArgument(int position, std::string& value) {
  return yqargs::GetArgument(m_arguments, position, value, kStyle, YQ_LOC);
}

CYqError CCommandLineArguments::GetOption(const std::string& name) {
  return yqargs::GetOption(m_arguments, name, kStyle, YQ_LOC);
}

CYqError CCommandLineArguments::GetOption(const std::string& name, bool& present) {
  present = FindOption(name) != m_arguments.end();
  return CYqError();
}

CYqError CCommandLineArguments::GetOption(const std::string& name, std::string& value) {
  return yqargs::GetOptionValue(m_arguments, name, value, kStyle, YQ_LOC);
}

CYqError CCommandLineArguments::GetOption(const std::string& name, std::list<std::string>& values) {
  return yqargs::GetOptionValues(m_arguments, name, values, kStyle, YQ_LOC);
}

int CCommandLineArguments::GetUnusedArgumentCount() {
  return yqargs::GetUnusedArgumentCount(m_arguments, kStyle, YQ_LOC);
}

CYqError CCommandLineArguments::GetUnusedArguments(std::list<std::string>& values) {
  yqargs::GetUnusedArguments(m_arguments, values);
  return CYqError();
}

CYqError CCommandLineArguments::AddOption(const std::string& name) {
  return yqargs::AddOption(m_arguments, name, kStyle, YQ_LOC);
}

CYqError CCommandLineArguments::AddOption(const std::string& name, const std::string& value) {
  return yqargs::AddOption(m_arguments, name, value, kStyle, YQ_LOC);
}

std::string CCommandLineArguments::GetCommandLineString() {
  return yqargs::JoinQuoted(m_arguments, false);
}

std::string CCommandLineArguments::QuotedIfContainsSpace(const std::string& text) {
  return text.find(' ') != std::string::npos ? '"' + text + '"' : text;
}

CCommandLineArguments::iterator CCommandLineArguments::FindOption(const std::string& name) {
  return FindOption(name, m_arguments.begin());
}

CCommandLineArguments::iterator CCommandLineArguments::FindOption(const std::string& name,
                                                                  iterator start) {
  return yqargs::Find(m_arguments, name, start, kStyle);
}
