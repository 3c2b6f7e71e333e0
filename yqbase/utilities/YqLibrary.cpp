#include "yqbase/utilities/YqLibrary.h"

#include <dlfcn.h>

#include <cerrno>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriterInterface.h"

namespace {

const char* LoaderText() {
  const char* text = dlerror();
  return text != nullptr ? text : "unknown reason";
}

}  // namespace

CYqLibrary::~CYqLibrary() {
  if (!m_freeOnDestroy) return;
  const CYqError err = Free();
  if (err.Failed()) YQ_LOG_FAILURE("%s", err.AsString().c_str());
}

// Both loads differ only in the namespace the library goes to.
static CYqError LoadInto(void*& handle, const char* file, bool ownNamespace) {
  if (file == nullptr || *file == '\0')
    return FXErrorUtil::ErrorErrNo(YQ_LOC, EFAULT, "Failed to load module %s:%s", "",
                                   "empty file name");
  handle = ownNamespace ? dlmopen(LM_ID_NEWLM, file, RTLD_NOW) : dlopen(file, RTLD_NOW);
  if (handle == nullptr)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, EFAULT, "Failed to load module %s:%s", file,
                                   LoaderText());
  return CYqError();
}

CYqError CYqLibrary::Load(const char* file, bool freeOnDestroy) {
  CYqError err = Free();
  if (err.Succeeded()) err = LoadInto(m_handle, file, false);
  if (err.Failed()) return err.Push(YQ_LOC);
  m_freeOnDestroy = freeOnDestroy;
  return CYqError();
}

CYqError CYqLibrary::LoadThirdParty(const char* file, bool freeOnDestroy) {
  CYqError err = Free();
  if (err.Succeeded()) err = LoadInto(m_handle, file, true);
  if (err.Failed()) return err.Push(YQ_LOC);
  m_freeOnDestroy = freeOnDestroy;
  return CYqError();
}

CYqError CYqLibrary::GetAddress(const char* symbol, void*& address) {
  address = nullptr;
  if (m_handle == nullptr) return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "Module handle is NULL");
  dlerror();
  address = symbol != nullptr ? dlsym(m_handle, symbol) : nullptr;
  if (address == nullptr)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, EFAULT, "Failed to get address of %s:%s",
                                   symbol != nullptr ? symbol : "", LoaderText());
  return CYqError();
}

CYqError CYqLibrary::Free() {
  if (m_handle == nullptr) return CYqError();
  void* handle = m_handle;
  m_handle = nullptr;
  if (dlclose(handle) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, EINVAL, "Failed to free module. %s", LoaderText());
  return CYqError();
}

std::string CYqLibrary::GetLibraryNameForName(const std::string& name) {
  return "lib" + name + ".so";
}
