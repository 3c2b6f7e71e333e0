// Symbol visibility for the shared object: only marked classes and functions are exported.
#pragma once

/// Marks a class or function as part of the shared object's interface.
#define YQBASE_EXPORT __attribute__((visibility("default")))

/// Marks printf-style functions so that the compiler checks their arguments.
#define YQBASE_PRINTF(fmt_index, first_arg) \
  __attribute__((format(printf, fmt_index, first_arg)))
