#include "ntf/archive_library.hpp"

#include <dlfcn.h>

#include <mutex>

namespace quorvel {

namespace {

struct Loaded {
  ArchiveLibrary library;
  bool ok = false;
  InputError error;
};

Loaded Load() {
  Loaded l;
  // libarchive 3 has been libarchive.so.13 since 2011; the unversioned name
  // is a development link, tried last.
  void* handle = nullptr;
  for (const char* name : {"libarchive.so.13", "libarchive.so"}) {
    handle = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (handle) break;
  }
  if (!handle) {
    const char* why = ::dlerror();
    l.error = {InputError::Fault::NoArchiveLibrary, why ? why : ""};
    return l;
  }
  bool all = true;
#define QUORVEL_ARCHIVE_BIND(name)                                                   \
  l.library.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));     \
  if (!l.library.name && all) {                                                      \
    all = false;                                                                     \
    l.error = {InputError::Fault::ArchiveLibraryTooOld, #name};                      \
  }
  QUORVEL_ARCHIVE_FUNCTIONS(QUORVEL_ARCHIVE_BIND)
#undef QUORVEL_ARCHIVE_BIND
  // The handle stays open for the life of the process.
  l.ok = all;
  return l;
}

}  // namespace

const ArchiveLibrary* LoadArchiveLibrary(InputError& error) {
  static std::once_flag once;
  static Loaded loaded;
  std::call_once(once, [] { loaded = Load(); });
  if (!loaded.ok) {
    error = loaded.error;
    return nullptr;
  }
  return &loaded.library;
}

}  // namespace quorvel
