#include "yqbase/platform/LogonCredentials.h"

#include <string.h>

#include <utility>

CLogonCredentials::CLogonCredentials(const std::string& user, const std::string& domain,
                                     const std::string& password)
    : m_user(user), m_domain(domain) {
  SetPassword(password);
}

CLogonCredentials::CLogonCredentials(const CLogonCredentials& other)
    : m_user(other.m_user), m_domain(other.m_domain) {
  SetPassword(other.m_password);
}

// A moved std::string may leave its characters behind in the source's inline buffer, so a move
// copies and wipes the source instead.
CLogonCredentials::CLogonCredentials(CLogonCredentials&& other) noexcept
    : m_user(std::move(other.m_user)), m_domain(std::move(other.m_domain)) {
  m_password.swap(other.m_password);
  other.WipePassword();
}

CLogonCredentials& CLogonCredentials::operator=(const CLogonCredentials& other) {
  if (this != &other) {
    m_user = other.m_user;
    m_domain = other.m_domain;
    SetPassword(other.m_password);
  }
  return *this;
}

CLogonCredentials& CLogonCredentials::operator=(CLogonCredentials&& other) noexcept {
  if (this != &other) {
    m_user = std::move(other.m_user);
    m_domain = std::move(other.m_domain);
    WipePassword();
    m_password.swap(other.m_password);
    other.WipePassword();
  }
  return *this;
}

CLogonCredentials::~CLogonCredentials() { WipePassword(); }

void CLogonCredentials::SetPassword(const std::string& password) {
  WipePassword();
  // Reserving first keeps the text in one allocation that WipePassword reaches.
  m_password.reserve(password.size());
  m_password.assign(password);
}

void CLogonCredentials::Clear() {
  m_user.clear();
  m_domain.clear();
  WipePassword();
}

// explicit_bzero is not removed by the optimiser as a dead store; the whole capacity is wiped,
// which covers both the heap buffer and the inline buffer of short strings.
void CLogonCredentials::WipePassword() {
  if (m_password.capacity() > 0) explicit_bzero(&m_password[0], m_password.capacity());
  m_password.clear();
}

std::string CLogonCredentials::AsString() const {
  std::string text = m_domain.empty() ? m_user : m_domain + "\\" + m_user;
  text += m_password.empty() ? " password: (none)" : " password: ********";
  return text;
}
