#include "yqbase/utilities/QCmdLineParser.h"

#include <strings.h>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/strings/StringExtensions.h"

namespace {
constexpr DWORD kAlreadyAssigned = 85;   // ERROR_ALREADY_ASSIGNED
constexpr DWORD kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
constexpr DWORD kNotFound = 1168;        // ERROR_NOT_FOUND
}  // namespace

CQCmdLineParser::CQCmdLineParser() : m_switch(0), m_hasSwitch(false) {}

CQCmdLineParser::CQCmdLineParser(char c) : m_switch(c), m_hasSwitch(true) {}

bool CQCmdLineParser::IsSwitch(const char* argument) const {
  const char c = argument[0];
  if (m_hasSwitch) return c == m_switch && c != '\0';
  return c == '-' || c == '/' || c == '\\';
}

CYqError CQCmdLineParser::ParseCmdLine(int argc, const char* const* argv) {
  m_params.clear();
  if (argv == nullptr)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidParameter, "NULL argument supplied");
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr)
      return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidParameter, "NULL argument supplied");
    CYqString key, value;
    if (IsSwitch(argv[i])) {
      key = argv[i] + 1;
      if (i + 1 < argc && argv[i + 1] != nullptr && !IsSwitch(argv[i + 1])) value = argv[++i];
    } else {
      key = FXString::Format("position_%d", i).c_str();
      value = argv[i];
    }
    if (!m_params.emplace(key, value).second)
      return FXErrorUtil::ErrorWin32(YQ_LOC, kAlreadyAssigned, "Parameter %s already present",
                                     key.c_str());
  }
  return CYqError();
}

CQCmdLineParser::ParamMap::const_iterator CQCmdLineParser::FindIgnoreCase(
    const CYqString& name) const {
  for (ParamMap::const_iterator it = m_params.begin(); it != m_params.end(); ++it)
    if (strcasecmp(it->first.c_str(), name.c_str()) == 0) return it;
  return m_params.end();
}

CYqError CQCmdLineParser::getParamValue(const CYqString& name, CYqString& value) const {
  ParamMap::const_iterator it = m_params.find(name);
  if (it == m_params.end())
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotFound, "Parameter %s not found", name.c_str());
  value = it->second;
  return CYqError();
}

CYqError CQCmdLineParser::getParamValueIgnoreCase(const CYqString& name, CYqString& value) const {
  ParamMap::const_iterator it = FindIgnoreCase(name);
  if (it == m_params.end())
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotFound, "Parameter %s not found", name.c_str());
  value = it->second;
  return CYqError();
}

bool CQCmdLineParser::DoesParamExists(const CYqString& name) const {
  return m_params.count(name) != 0;
}

bool CQCmdLineParser::DoesParamExistsIgnoreCase(const CYqString& name) const {
  return FindIgnoreCase(name) != m_params.end();
}

std::list<CYqString> CQCmdLineParser::getParamList() const {
  std::list<CYqString> names;
  for (const ParamMap::value_type& entry : m_params) names.push_back(entry.first);
  return names;
}
