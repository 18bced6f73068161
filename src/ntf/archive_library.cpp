#include "ntf/archive_library.hpp"

#include <mutex>

#include "platform/file_system.hpp"

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
  // is a development link, tried last. On Windows it is a DLL beside the
  // program (as MSYS2 and vcpkg name it).
#ifdef _WIN32
  const std::vector<const char*> names = {"libarchive-13.dll", "archive.dll", "libarchive.dll"};
#else
  const std::vector<const char*> names = {"libarchive.so.13", "libarchive.so"};
#endif
  std::string why;
  void* handle = platform::LoadLibraryNamed(names, why);
  if (!handle) {
    l.error = {InputError::Fault::NoArchiveLibrary, why};
    return l;
  }
  bool all = true;
#define QUORVEL_ARCHIVE_BIND(name)                                                              \
  l.library.name = reinterpret_cast<decltype(&::name)>(platform::LibrarySymbol(handle, #name)); \
  if (!l.library.name && all) {                                                                 \
    all = false;                                                                                \
    l.error = {InputError::Fault::ArchiveLibraryTooOld, #name};                                 \
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
