// CCommandLineArguments: the plain (non-virtual) argument list with option look-ups and used
// marks.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "yqbase/utilities/ProgramArguments.h"

/// The arguments of a program in order, with the queries of CProgramArguments and these
/// differences: the first matching option wins; the asked name is compared as given, so
/// FindOption("v") finds "-v" and FindOption("-v") finds "--v"; messages carry no brackets;
/// nothing can be removed. Not synchronised: one thread uses an object at a time.
class YQBASE_EXPORT CCommandLineArguments {
 public:
  typedef std::vector<CCommandLineArgument> ArgumentList;
  typedef ArgumentList::iterator iterator;

  /// argv[0] is the program name; a null vector or argc below 1 gives no arguments.
  CCommandLineArguments(int argc, const char* const* argv);
  CCommandLineArguments(int argc, const wchar_t* const* argv);
  /// The arguments of a command line split as CProgramArguments splits it.
  explicit CCommandLineArguments(const std::string& commandLine);
  explicit CCommandLineArguments(const std::wstring& commandLine);
  ~CCommandLineArguments();

  /// As the CProgramArguments operations of the same names.
  [[nodiscard]] CYqError GetArgument(int position, std::string& value);
  [[nodiscard]] CYqError GetOption(const std::string& name);
  CYqError GetOption(const std::string& name, bool& present);
  [[nodiscard]] CYqError GetOption(const std::string& name, std::string& value);
  [[nodiscard]] CYqError GetOption(const std::string& name, std::list<std::string>& values);
  int GetUnusedArgumentCount();
  CYqError GetUnusedArguments(std::list<std::string>& values);
  [[nodiscard]] CYqError AddOption(const std::string& name);
  [[nodiscard]] CYqError AddOption(const std::string& name, const std::string& value);
  /// The arguments joined by blanks through QuotedIfContainsSpace (empty ones stay bare).
  std::string GetCommandLineString();
  iterator FindOption(const std::string& name);
  iterator FindOption(const std::string& name, iterator start);

  /// `text` between double quotes when it holds a blank, else unchanged.
  static std::string QuotedIfContainsSpace(const std::string& text);

  iterator begin() { return m_arguments.begin(); }
  iterator end() { return m_arguments.end(); }
  const std::string& GetProgramName() const { return m_programName; }

 private:
  std::string m_programName;
  ArgumentList m_arguments;
};
