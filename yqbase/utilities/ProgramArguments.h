// CProgramArguments: a program's arguments in order, with option look-ups and a record of
// which arguments were read.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "yqbase/errors/YqError.h"

/// One command-line argument and whether a query has read it.
class YQBASE_EXPORT CCommandLineArgument {
 public:
  explicit CCommandLineArgument(const std::string& text) : m_text(text), m_used(false) {}

  const std::string& GetText() const { return m_text; }
  void SetText(const std::string& text) { m_text = text; }
  bool IsUsed() const { return m_used; }
  void SetUsed() { m_used = true; }

 private:
  std::string m_text;
  bool m_used;
};

/// A program's arguments in command-line order. An option is an argument that begins with
/// "-" (its name is the rest, so "--" is the option "-" and a lone "-" the option ""); its
/// value is the argument after it, whatever that is. Positions count every argument from 0,
/// options included. Queries mark what they read as used, so that GetUnusedArgumentCount()
/// can report arguments nobody asked for. Names compare without regard to case. Not
/// synchronised: one thread uses an object at a time.
///
///   CProgramArguments args(argc, argv, CProgramArguments::kFirstMatch);
///   std::string out;
///   CYqError err = args.GetOption("out", out);
///   if (args.GetUnusedArgumentCount() != 0) ...  // unknown arguments, logged at level 2
class YQBASE_EXPORT CProgramArguments {
 public:
  typedef std::vector<CCommandLineArgument> ArgumentList;
  typedef ArgumentList::iterator iterator;
  /// Flag: option look-ups return the first match; without it, the last.
  static constexpr DWORD kFirstMatch = 1;

  /// argv[0] is the program name, the rest the arguments. A null vector or argc below 1
  /// gives no arguments; a null entry is taken as an empty argument.
  CProgramArguments(int argc, const char* const* argv, DWORD flags = 0);
  /// The same after converting each argument to UTF-8.
  CProgramArguments(int argc, const wchar_t* const* argv, DWORD flags = 0);
  /// The arguments of a command line split at blanks and tabs with FXString::SplitArguments
  /// (quotes group, "" is an empty argument); there is no program name.
  explicit CProgramArguments(const std::string& commandLine, DWORD flags = 0);
  explicit CProgramArguments(const std::wstring& commandLine, DWORD flags = 0);
  virtual ~CProgramArguments();

  /// The argument at `position`, marked used. Outside the arguments: `value` emptied and
  /// Win32 1168 with the position and count.
  [[nodiscard]] virtual CYqError GetArgument(int position, std::string& value);
  /// Marks the option used; Win32 1168 when it is absent.
  [[nodiscard]] virtual CYqError GetOption(const std::string& name);
  /// Whether the option is present; marks nothing and always succeeds.
  virtual CYqError GetOption(const std::string& name, bool& present);
  /// The argument after the option; both are marked used. Absent option: Win32 1168; option
  /// as the last argument: Win32 87. `value` is emptied on failure.
  [[nodiscard]] virtual CYqError GetOption(const std::string& name, std::string& value);
  /// Appends the value of every occurrence in order (an occurrence's value is never read as
  /// another occurrence), marking each used. None: Win32 1168; an occurrence without a value
  /// ends the list with Win32 87 and its number, counted from 1.
  [[nodiscard]] virtual CYqError GetOption(const std::string& name, std::list<std::string>& values);
  /// The number of arguments no query has read; each is logged at level 2.
  virtual int GetUnusedArgumentCount();
  /// Appends the unused arguments' texts.
  virtual CYqError GetUnusedArguments(std::list<std::string>& values);
  /// Appends `name` as an argument, as given, unless FindOption finds it. An empty name fails
  /// with Win32 87.
  [[nodiscard]] virtual CYqError AddOption(const std::string& name);
  /// Appends `name` and `value`, or replaces the value of the option found. An empty name, or
  /// a found option without a following argument, fails with Win32 87.
  [[nodiscard]] virtual CYqError AddOption(const std::string& name, const std::string& value);
  /// Removes every occurrence of the option, with the argument after each when `withValue`.
  virtual CYqError RemoveOption(const std::string& name, bool withValue);
  /// The arguments joined by blanks; one that is empty or holds a blank is double-quoted.
  virtual std::string GetCommandLine();
  /// Appends every argument's text.
  virtual CYqError GetAllArguemnts(std::list<std::string>& values);
  /// The option `name` (one leading "-" ignored) from `start` on, or end().
  virtual iterator FindOption(const std::string& name);
  virtual iterator FindOption(const std::string& name, iterator start);

  iterator begin() { return m_arguments.begin(); }
  iterator end() { return m_arguments.end(); }
  const std::string& GetProgramName() const { return m_programName; }
  size_t GetArgumentCount() const { return m_arguments.size(); }

 private:
  DWORD m_flags;
  std::string m_programName;
  ArgumentList m_arguments;
};
