// CLogonCredentials: a user, domain and password that never reach a log.
#pragma once

#include <string>

#include "yqbase/errors/YqExport.h"

/// Logon credentials of an account. The password is held in memory that is overwritten when it
/// is replaced, cleared or destroyed (also after a move); AsString() masks it, so logging the
/// object is safe. Copies are independent. Not thread-safe: one owner at a time.
class YQBASE_EXPORT CLogonCredentials {
 public:
  CLogonCredentials() = default;
  CLogonCredentials(const std::string& user, const std::string& domain,
                    const std::string& password);
  CLogonCredentials(const CLogonCredentials& other);
  CLogonCredentials(CLogonCredentials&& other) noexcept;
  CLogonCredentials& operator=(const CLogonCredentials& other);
  CLogonCredentials& operator=(CLogonCredentials&& other) noexcept;
  ~CLogonCredentials();

  const std::string& GetUser() const { return m_user; }
  const std::string& GetDomain() const { return m_domain; }
  /// The password in clear; the caller must not log or keep it.
  const std::string& GetPassword() const { return m_password; }

  void SetUser(const std::string& user) { m_user = user; }
  void SetDomain(const std::string& domain) { m_domain = domain; }
  /// Replaces the password; the previous one is wiped first.
  void SetPassword(const std::string& password);

  /// True when no user is set.
  bool IsEmpty() const { return m_user.empty(); }
  /// Empties all three fields and wipes the password.
  void Clear();

  /// "domain\user" (or "user" without a domain), then " password: ********" when one is set,
  /// or " password: (none)".
  std::string AsString() const;

 private:
  void WipePassword();

  std::string m_user;
  std::string m_domain;
  std::string m_password;
};
