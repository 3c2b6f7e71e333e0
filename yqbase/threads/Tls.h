// CTls: one thread-local storage slot.
#pragma once

#include <pthread.h>

#include "yqbase/errors/YqExport.h"

/// A slot that holds one pointer per thread. Initialize once before use; every thread then
/// sets and reads its own value. The values are not owned: nothing is freed when a thread
/// ends or the slot is removed. Destruction removes the slot. Not copyable.
class YQBASE_EXPORT CTls {
 public:
  CTls();
  ~CTls();
  CTls(const CTls&) = delete;
  CTls& operator=(const CTls&) = delete;

  /// Creates the slot; 0, or the error of pthread_key_create. A second call changes nothing.
  int Initialize();
  /// Removes the slot; 0 when there is none, or the error of pthread_key_delete.
  int DeInitialize();
  /// Stores the calling thread's value: -1 before Initialize, else 0 or the error number.
  int SetData(void* value);
  /// The calling thread's value; null before Initialize or before the thread set one.
  void* GetData() const;

 private:
  pthread_key_t m_key;
  bool m_initialized;
};
