// Why an input gives no tile, or a tile cannot be read or loaded. The
// reader names the fault; the run puts it into words (its message table),
// so that nothing here words a message of its own.
#pragma once

#include <string>

namespace quorvel {

// `detail` holds what the fault names.
struct InputError {
  enum class Fault {
    None,
    Described,             // `detail` says it all: the system's or the archive library's words
    IsAFolder,
    OutOfMemory,
    TooFewLines,           // a tile needs two lines at least
    NoArchiveLibrary,      // `detail`: the loader's reason, when it gave one
    ArchiveLibraryTooOld,  // `detail`: the function it lacks
    ArchiveNotOpened,      // and the library gave no reason
    ArchiveUnreadable,     // likewise
    MemberUnreadable,      // likewise
    MemberIsALink,         // a hard link to another member
    MemberIsASymbolicLink,
    MemberNotAFile,        // a device, a pipe or a socket
    NotAnNtfFile,          // a member whose name does not end in .ntf
    ArchiveHoldsNoFiles,   // nothing to translate or to report
    MemberTooLarge,        // `detail`: the limit in bytes
    NoSuchMember,          // `detail`: the member
    GivenTwice,            // the same tile named again for one set: translated once
    SpoolFailed,           // `detail`: the system's reason a member's spool file failed
  };
  Fault fault = Fault::None;
  std::string detail;

  bool operator==(const InputError&) const = default;
};

}  // namespace quorvel
