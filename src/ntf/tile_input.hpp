// The tiles of a run: loose NTF files, and the .ntf members of .zip, .tar,
// .tar.gz/.tgz and .gz archives, which are read in place (a member too
// large to hold in memory goes to a scratch file with no name).
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ntf/input_error.hpp"
#include "platform/file_system.hpp"

namespace quorvel {

struct TileInput {
  // The member's position among all entries of its archive, when known.
  static constexpr std::uint64_t kUnknownEntry = std::numeric_limits<std::uint64_t>::max();

  // The loose file, or the archive on disk.
  std::string path;
  // The path inside the archive; empty for a loose file.
  std::string member;
  // Bytes of the tile (uncompressed, from the archive's header when known;
  // 0 when it is not).
  std::uint64_t size = 0;
  // 0-based position of the member among the archive's entries (every
  // entry, not only tiles): tells apart two members of the same name and
  // lets the reader go straight on from where it is.
  std::uint64_t entry = kUnknownEntry;

  bool InArchive() const { return !member.empty(); }
  // The loose path, or ARCHIVE/MEMBER: the name used in messages and
  // status lines.
  std::string DisplayName() const;
  // What the output set is named after: the loose path, or the member's
  // path with no leading "/" and no "." or ".." parts.
  std::string SetStem() const;
};

// True for names ending in .zip, .tar, .tar.gz, .tgz or .gz (any case).
bool IsArchivePath(std::string_view path);

// An argument or member that gives no tile, and why.
struct InputProblem {
  std::string name;  // the archive, or ARCHIVE/MEMBER
  InputError error;
};

// The tiles named by the arguments, in order. A loose file passes through
// (its size from stat, 0 when that fails: loading it reports the fault). An
// archive gives its regular members whose names end in .ntf (any case), in
// archive order; every other member but a folder is reported (NotAnNtfFile,
// MemberIsALink, MemberIsASymbolicLink, MemberNotAFile). A .gz
// holding a single compressed file (not a tar) is one tile named after the
// archive without ".gz". An archive that cannot be opened or read is
// reported with the reason; the tiles listed before a read fault are kept.
std::vector<TileInput> ExpandInputs(const std::vector<std::string>& arguments, std::vector<InputProblem>& problems);

// Where a member too large to hold in memory is decompressed to: a scratch
// file (see platform::File) made in `folder` when the member needs it.
struct MemberSpool {
  std::string folder;
  platform::File file;
};

// Reads tiles: a loose file whole in one go, an archive member by
// decompressing it, into memory or, beyond a size, into a spool file. Safe
// to call from several threads at once. For every archive one open handle
// is kept, positioned after the last member read, so that reading members
// in archive order decompresses the archive once; asking for an earlier
// member opens it again. Memory held is at most the spool size of the
// member being read, and the decompressor's buffers.
class TileReader {
 public:
  // `memberLimit` (0: none) refuses members whose data grow beyond it;
  // `heldBytes` is the most of a member held in memory where a spool is
  // given (32 MB unless tests set another).
  explicit TileReader(std::uint64_t memberLimit = 0, std::uint64_t heldBytes = HeldBytes());

  static std::uint64_t HeldBytes() { return heldBytes_; }
  static void SetHeldBytes(std::uint64_t bytes) { heldBytes_ = bytes; }
  ~TileReader();
  TileReader(const TileReader&) = delete;
  TileReader& operator=(const TileReader&) = delete;

  // The tile's bytes in `bytes`; false with the reason in `error` when the
  // file or member cannot be read (missing, corrupt, truncated archive).
  bool Read(const TileInput& tile, std::string& bytes, InputError& error);
  // The same, a member larger than the reader holds written to `spool`
  // instead (its file then open, `bytes` empty). A spool file that cannot
  // be made or written is a fault with the system's reason.
  bool Read(const TileInput& tile, std::string& bytes, MemberSpool& spool, InputError& error);

  // How many times an archive has been opened (or opened again) so far.
  std::uint64_t ArchiveOpens() const;

 private:
  bool Read(const TileInput& tile, std::string& bytes, MemberSpool* spool, InputError& error);

  struct Archive;
  struct State;
  std::unique_ptr<State> state_;
  static std::uint64_t heldBytes_;
};

}  // namespace quorvel
