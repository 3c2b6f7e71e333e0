// CQCmdLineParser: a one-pass map from command-line switches to their values.
#pragma once

#include <cstring>
#include <list>
#include <map>

#include "yqbase/errors/YqError.h"
#include "yqbase/strings/YqString.h"

/// Byte-wise order of CYqString texts, for maps keyed by them.
struct YQBASE_EXPORT SYqStringLess {
  bool operator()(const CYqString& a, const CYqString& b) const {
    return std::strcmp(a.c_str(), b.c_str()) < 0;
  }
};

/// Reads a command line into a map: a switch ("-name", "/name" or "\name", or only the chosen
/// switch character) is stored under its name with the next argument as its value unless that
/// is a switch too; any other argument is stored under "position_<index in argv>". A name seen
/// twice is an error. Not synchronised.
///
///   CQCmdLineParser parser('-');
///   CYqError err = parser.ParseCmdLine(argc, argv);
///   CYqString out;
///   if (err.Succeeded() && parser.getParamValue("out", out).Succeeded()) ...
class YQBASE_EXPORT CQCmdLineParser {
 public:
  typedef std::map<CYqString, CYqString, SYqStringLess> ParamMap;

  /// Switches begin with '-', '/' or '\'.
  CQCmdLineParser();
  /// Switches begin with `c` only.
  explicit CQCmdLineParser(char c);

  /// Replaces the map with the arguments argv[1] ... argv[argc - 1]. A null vector or a null
  /// entry fails with Win32 87 ("NULL argument supplied"); a repeated name with Win32 85, and
  /// the map then holds the arguments before it.
  [[nodiscard]] CYqError ParseCmdLine(int argc, const char* const* argv);

  /// The value stored under `name` (compared exactly, or without regard to case); Win32 1168
  /// when there is none.
  [[nodiscard]] CYqError getParamValue(const CYqString& name, CYqString& value) const;
  [[nodiscard]] CYqError getParamValueIgnoreCase(const CYqString& name, CYqString& value) const;
  bool DoesParamExists(const CYqString& name) const;
  bool DoesParamExistsIgnoreCase(const CYqString& name) const;
  /// The names in map order.
  std::list<CYqString> getParamList() const;

 private:
  bool IsSwitch(const char* argument) const;
  ParamMap::const_iterator FindIgnoreCase(const CYqString& name) const;

  ParamMap m_params;
  char m_switch;
  bool m_hasSwitch;
};
