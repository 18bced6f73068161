// libarchive, loaded when the first archive is met rather than when the
// program starts. It brings ten libraries of its own (compression, XML,
// ICU); binding them at every start costs about a millisecond, a tenth of a
// run over one small loose tile.
#pragma once

#include <archive.h>
#include <archive_entry.h>

#include "ntf/input_error.hpp"

namespace quorvel {

// The functions this program calls, by their own names.
#define QUORVEL_ARCHIVE_FUNCTIONS(X)                                                                           \
  X(archive_read_new) X(archive_read_free) X(archive_read_support_filter_gzip) X(archive_read_support_format_zip) \
  X(archive_read_support_format_tar) X(archive_read_support_format_empty) X(archive_read_support_format_raw)       \
  X(archive_read_open_filename) X(archive_read_next_header) X(archive_read_data) X(archive_error_string)          \
  X(archive_format) X(archive_entry_filetype) X(archive_entry_hardlink) X(archive_entry_pathname)                \
  X(archive_entry_pathname_utf8) X(archive_entry_size) X(archive_entry_size_is_set)

struct ArchiveLibrary {
#define QUORVEL_ARCHIVE_POINTER(name) decltype(&::name) name = nullptr;
  QUORVEL_ARCHIVE_FUNCTIONS(QUORVEL_ARCHIVE_POINTER)
#undef QUORVEL_ARCHIVE_POINTER
};

// The library, loaded on the first call (thread-safe); null when it cannot
// be loaded, with `error` saying why (NoArchiveLibrary, ArchiveLibraryTooOld).
const ArchiveLibrary* LoadArchiveLibrary(InputError& error);

}  // namespace quorvel
