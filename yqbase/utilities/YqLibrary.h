// CYqLibrary: a shared library loaded at run time.
#pragma once

#include <string>

#include "yqbase/errors/YqError.h"

/// Owns one handle of a run-time loaded library and, when asked to, unloads it on
/// destruction. Not copyable; one thread at a time.
///
///   CYqLibrary library;
///   void* entry = nullptr;
///   CYqError err = library.Load("/opt/app/lib/libplugin.so", true);
///   if (err.Succeeded()) err = library.GetAddress("PluginEntry", entry);
class YQBASE_EXPORT CYqLibrary {
 public:
  CYqLibrary() = default;
  ~CYqLibrary();
  CYqLibrary(const CYqLibrary&) = delete;
  CYqLibrary& operator=(const CYqLibrary&) = delete;

  /// Unloads any loaded library, then loads `file` with every symbol bound now; `freeOnDestroy`
  /// decides whether the destructor unloads it. Failure: errno-kind 14 "Failed to load module
  /// %s:%s" with the loader's text.
  [[nodiscard]] CYqError Load(const char* file, bool freeOnDestroy);
  /// Load into a new link-map namespace of its own, so that the library's dependencies
  /// (another C++ runtime, say) do not meet the program's. Pass only plain C data across.
  [[nodiscard]] CYqError LoadThirdParty(const char* file, bool freeOnDestroy);
  /// The address of `symbol`. Nothing loaded: Win32 87 "Module handle is NULL"; not found:
  /// errno-kind 14 "Failed to get address of %s:%s".
  [[nodiscard]] CYqError GetAddress(const char* symbol, void*& address);
  /// Unloads the library (nothing loaded is a success). Failure: errno-kind 22 "Failed to
  /// free module. %s".
  [[nodiscard]] CYqError Free();
  bool IsLoaded() const { return m_handle != nullptr; }

  /// "lib<name>.so".
  static std::string GetLibraryNameForName(const std::string& name);

 private:
  void* m_handle = nullptr;
  bool m_freeOnDestroy = false;
};
