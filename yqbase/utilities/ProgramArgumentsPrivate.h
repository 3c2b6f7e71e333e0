// The argument-list operations that CProgramArguments and CCommandLineArguments share; each
// class passes its own matching rule, message texts and code location.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "yqbase/errors/YqError.h"
#include "yqbase/utilities/ProgramArguments.h"

namespace yqargs {

constexpr DWORD kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
constexpr DWORD kNotFound = 1168;        // ERROR_NOT_FOUND

typedef std::vector<CCommandLineArgument> ArgumentList;

// How a class matches option names and words its failures.
struct SStyle {
  bool firstMatch;             // else the last match
  bool stripDash;              // a leading "-" of the asked name is ignored
  const char* notFound;        // name
  const char* noValue;         // name
  const char* noValueAt;       // name, occurrence (unsigned long long)
  const char* badPosition;     // position (int), count (unsigned long long)
  const char* unusedArgument;  // position from 1 (int), text
};

ArgumentList::iterator Find(ArgumentList& args, const std::string& name,
                            ArgumentList::iterator start, const SStyle& style);
CYqError GetOption(ArgumentList& args, const std::string& name, const SStyle& style,
                   const FXCodeLocation& location);
CYqError GetOptionValue(ArgumentList& args, const std::string& name, std::string& value,
                        const SStyle& style, const FXCodeLocation& location);
CYqError GetOptionValues(ArgumentList& args, const std::string& name,
                         std::list<std::string>& values, const SStyle& style,
                         const FXCodeLocation& location);
CYqError GetArgument(ArgumentList& args, int position, std::string& value, const SStyle& style,
                     const FXCodeLocation& location);
// Logs each unused argument at level 2 from `location`.
int GetUnusedArgumentCount(const ArgumentList& args, const SStyle& style,
                           const FXCodeLocation& location);
void GetUnusedArguments(const ArgumentList& args, std::list<std::string>& out);
CYqError AddOption(ArgumentList& args, const std::string& name, const SStyle& style,
                   const FXCodeLocation& location);
CYqError AddOption(ArgumentList& args, const std::string& name, const std::string& value,
                   const SStyle& style, const FXCodeLocation& location);
// The arguments joined by blanks; `quoteEmpty` also quotes empty arguments.
std::string JoinQuoted(const ArgumentList& args, bool quoteEmpty);

}  // namespace yqargs
