#include "ntf/tile_input.hpp"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <new>

#include "ntf/archive_library.hpp"
#include "platform/naming.hpp"
#include "ntf/record_list.hpp"

namespace quorvel {

namespace {

// Archives whose handles stay open between reads; beyond this the handle
// used longest ago (and not in use) is closed.
constexpr std::size_t kMaxOpenArchives = 4;
// Never trust a header's size for more than this much memory up front.
constexpr std::uint64_t kMaxReserve = 64u << 20;
constexpr std::size_t kBlock = 1 << 16;

// libarchive's functions. Only called with an archive at hand, which
// OpenArchive made after loading the library.
const ArchiveLibrary& Lib() {
  InputError unused;
  return *LoadArchiveLibrary(unused);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  const std::string_view tail = s.substr(s.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i)
    if (Lower(tail[i]) != suffix[i]) return false;
  return true;
}

// A plain .gz (not .tar.gz) may hold a single compressed file rather than a
// tar: only such names are read as raw data when they hold no tar.
bool MayBeSingleFile(std::string_view path) {
  return EndsWithNoCase(path, ".gz") && !EndsWithNoCase(path, ".tar.gz");
}

std::string BaseName(std::string_view path) {
  while (path.size() > 1 && platform::IsSeparator(path.back())) path.remove_suffix(1);
  const std::size_t slash = platform::LastSeparator(path);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The member name of a single compressed file: the archive's name without
// ".gz".
std::string SingleFileName(const std::string& archivePath) {
  std::string name = BaseName(archivePath);
  if (EndsWithNoCase(name, ".gz")) name.resize(name.size() - 3);
  return name;
}

using Fault = InputError::Fault;

// The library's reason for its last failure, or `fallback` where it gives
// none. Some of its reasons end in a line end of their own (a message is
// one line): it is taken off.
InputError ErrorOf(archive* a, Fault fallback) {
  const char* text = Lib().archive_error_string(a);
  std::string_view reason = text ? text : "";
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
    reason.remove_suffix(1);
  if (!reason.empty()) return {Fault::Described, std::string(reason)};
  return {fallback, {}};
}

// What stops an archive before libarchive sees it: a missing file or a
// folder get the system's words rather than libarchive's.
bool CheckArchiveFile(const std::string& path, InputError& error) {
  platform::FileStatus status;
  std::string reason;
  if (!platform::StatusOf(path, status, &reason)) {
    error = {Fault::Described, reason};
    return false;
  }
  if (status.kind == platform::FileStatus::Kind::Folder) {
    error = {Fault::IsAFolder, {}};
    return false;
  }
  return true;
}

// Formats and filters are limited to what the accepted names hold (zip,
// tar, gzip, and raw data inside a plain .gz), so that no other parser and
// no external decompression program is ever reached.
archive* OpenArchive(const std::string& path, InputError& error) {
  if (!CheckArchiveFile(path, error)) return nullptr;
  if (!LoadArchiveLibrary(error)) return nullptr;
  archive* a = Lib().archive_read_new();
  if (!a) {
    error = {Fault::OutOfMemory, {}};
    return nullptr;
  }
  Lib().archive_read_support_filter_gzip(a);
  Lib().archive_read_support_format_zip(a);
  Lib().archive_read_support_format_tar(a);
  Lib().archive_read_support_format_empty(a);
  if (MayBeSingleFile(path)) Lib().archive_read_support_format_raw(a);
  if (Lib().archive_read_open_filename(a, path.c_str(), kBlock) != ARCHIVE_OK) {
    error = ErrorOf(a, Fault::ArchiveNotOpened);
    Lib().archive_read_free(a);
    return nullptr;
  }
  return a;
}

std::string MemberName(archive* a, archive_entry* entry, const std::string& archivePath) {
  if (Lib().archive_format(a) == ARCHIVE_FORMAT_RAW) return SingleFileName(archivePath);
  const char* name = Lib().archive_entry_pathname(entry);
  if (!name) name = Lib().archive_entry_pathname_utf8(entry);
  return name ? name : "";
}

// The uncompressed size a gzip file records in its last four bytes
// (modulo 2^32); 0 when the file is not gzip.
std::uint64_t GzipRecordedSize(const std::string& path) {
  platform::File file;
  std::string reason;
  std::uint64_t bytes = 0;
  if (!file.OpenToRead(path, reason) || !file.Size(bytes) || bytes < 18) return 0;
  unsigned char magic[2];
  unsigned char tail[4];
  if (file.ReadAt(0, reinterpret_cast<char*>(magic), 2, reason) != 2 || magic[0] != 0x1f || magic[1] != 0x8b ||
      file.ReadAt(bytes - 4, reinterpret_cast<char*>(tail), 4, reason) != 4)
    return 0;
  return std::uint64_t(tail[0]) | std::uint64_t(tail[1]) << 8 | std::uint64_t(tail[2]) << 16 |
         std::uint64_t(tail[3]) << 24;
}

// Why a member that is not a folder gives no tile: a link (hard or
// symbolic), a device, pipe or socket, or a name without ".ntf"; None for a
// tile.
Fault MemberFault(archive_entry* entry, mode_t type, const std::string& name, bool single) {
  if (single) return Fault::None;
  if (Lib().archive_entry_hardlink(entry)) return Fault::MemberIsALink;
  if (type == AE_IFLNK) return Fault::MemberIsASymbolicLink;
  if (type != AE_IFREG) return Fault::MemberNotAFile;
  if (!EndsWithNoCase(name, ".ntf")) return Fault::NotAnNtfFile;
  return Fault::None;
}

void ListArchive(const std::string& path, std::vector<TileInput>& tiles, std::vector<InputProblem>& problems) {
  InputError error;
  archive* a = OpenArchive(path, error);
  if (!a) {
    problems.push_back({path, error});
    return;
  }
  const std::size_t tilesBefore = tiles.size(), problemsBefore = problems.size();
  for (std::uint64_t index = 0;; ++index) {
    archive_entry* entry = nullptr;
    const int r = Lib().archive_read_next_header(a, &entry);
    if (r == ARCHIVE_EOF) break;
    if (r < ARCHIVE_WARN) {
      problems.push_back({path, ErrorOf(a, Fault::ArchiveUnreadable)});
      break;
    }
    const auto type = Lib().archive_entry_filetype(entry);
    if (type == AE_IFDIR) continue;  // its files are members of their own
    const std::string name = MemberName(a, entry, path);
    const bool single = Lib().archive_format(a) == ARCHIVE_FORMAT_RAW;
    if (const Fault fault = MemberFault(entry, type, name, single); fault != Fault::None) {
      problems.push_back({path + "/" + name, {fault, {}}});
      continue;
    }
    TileInput tile;
    tile.path = path;
    tile.member = name;
    tile.entry = index;
    if (single) tile.size = GzipRecordedSize(path);
    else if (Lib().archive_entry_size_is_set(entry) && Lib().archive_entry_size(entry) > 0)
      tile.size = static_cast<std::uint64_t>(Lib().archive_entry_size(entry));
    tiles.push_back(std::move(tile));
  }
  Lib().archive_read_free(a);
  // An archive without a member to translate or report is said so, rather
  // than passed over in silence.
  if (tiles.size() == tilesBefore && problems.size() == problemsBefore)
    problems.push_back({path, {Fault::ArchiveHoldsNoFiles, {}}});
}

}  // namespace

std::string TileInput::DisplayName() const { return member.empty() ? path : path + "/" + member; }

std::string TileInput::SetStem() const {
  if (member.empty()) return path;
  std::string stem;
  std::size_t start = 0;
  while (start <= member.size()) {
    std::size_t end = member.find_first_of("/\\", start);
    if (end == std::string::npos) end = member.size();
    const std::string_view part(member.data() + start, end - start);
    if (!part.empty() && part != "." && part != "..") {
      if (!stem.empty()) stem += '/';
      stem += part;
    }
    start = end + 1;
  }
  return stem;
}

bool IsArchivePath(std::string_view path) {
  for (std::string_view suffix : {".zip", ".tar", ".tar.gz", ".tgz", ".gz"})
    if (EndsWithNoCase(path, suffix)) return true;
  return false;
}

std::vector<TileInput> ExpandInputs(const std::vector<std::string>& arguments, std::vector<InputProblem>& problems) {
  std::vector<TileInput> tiles;
  for (const std::string& argument : arguments) {
    if (IsArchivePath(argument)) {
      ListArchive(argument, tiles, problems);
      continue;
    }
    TileInput tile;
    tile.path = argument;
    platform::FileStatus status;
    if (platform::StatusOf(argument, status) && status.kind == platform::FileStatus::Kind::Regular)
      tile.size = status.size;
    tiles.push_back(std::move(tile));
  }
  return tiles;
}

namespace {

// How much of a member may be read, and held in memory.
struct DataLimits {
  std::uint64_t member = 0;  // 0: any size
  std::uint64_t held = 0;    // beyond this the data go to the spool, if any
};

// Moves the data held so far, and all after them, to the spool's file.
bool StartSpool(MemberSpool& spool, std::string& bytes, InputError& error) {
  std::string reason;
  if (!spool.file.CreateScratch(spool.folder, reason) || !spool.file.Append(bytes.data(), bytes.size(), reason)) {
    spool.file.Close();
    error = {Fault::SpoolFailed, reason};
    return false;
  }
  std::string().swap(bytes);
  return true;
}

// Reads the data of the entry just returned by the last header read.
bool ReadData(archive* a, std::uint64_t expected, const DataLimits& limits, std::string& bytes, MemberSpool* spool,
              InputError& error) {
  bytes.clear();
  try {
    if (spool && expected > limits.held && !StartSpool(*spool, bytes, error)) return false;
    if (expected > 0 && !(spool && spool->file.IsOpen()))
      bytes.reserve(static_cast<std::size_t>(std::min(expected, kMaxReserve)));
    char block[kBlock];
    std::uint64_t total = 0;
    for (;;) {
      const la_ssize_t n = Lib().archive_read_data(a, block, sizeof block);
      if (n == 0) return true;
      if (n < 0) {
        error = ErrorOf(a, Fault::MemberUnreadable);
        return false;
      }
      total += static_cast<std::uint64_t>(n);
      if (limits.member > 0 && total > limits.member) {
        error = {Fault::MemberTooLarge, std::to_string(limits.member)};
        return false;
      }
      if (spool && !spool->file.IsOpen() && total > limits.held && !StartSpool(*spool, bytes, error)) return false;
      if (!spool || !spool->file.IsOpen()) {
        bytes.append(block, static_cast<std::size_t>(n));
        continue;
      }
      std::string reason;
      if (!spool->file.Append(block, static_cast<std::size_t>(n), reason)) {
        error = {Fault::SpoolFailed, reason};
        return false;
      }
    }
  } catch (const std::bad_alloc&) {
    std::string().swap(bytes);
    error = {Fault::OutOfMemory, {}};
    return false;
  }
}

bool ReadLooseFile(const std::string& path, std::string& bytes, InputError& error) {
  bytes.clear();
  try {
    return ReadWholeFile(path, bytes, &error);
  } catch (const std::bad_alloc&) {
    std::string().swap(bytes);
    error = {Fault::OutOfMemory, {}};
    return false;
  }
}

}  // namespace

// One archive's handle: `next` is the index of the entry the next header
// read returns.
struct TileReader::Archive {
  std::mutex mutex;
  archive* handle = nullptr;
  std::uint64_t next = 0;
  std::atomic<std::uint64_t> lastUse{0};
  std::atomic<bool> open{false};

  void Close() {
    if (handle) Lib().archive_read_free(handle);
    handle = nullptr;
    next = 0;
    open = false;
  }
  bool Reopen(const std::string& path, InputError& error, std::atomic<std::uint64_t>& opens) {
    Close();
    ++opens;
    handle = OpenArchive(path, error);
    open = handle != nullptr;
    return handle != nullptr;
  }

  // The tile's member into `bytes` (or `spool`); false with the reason in
  // `error`.
  bool ReadMember(const TileInput& tile, const DataLimits& limits, std::string& bytes, MemberSpool* spool,
                  InputError& error, std::atomic<std::uint64_t>& opens) {
    archive_entry* entry = nullptr;
    if (!Seek(tile, entry, error, opens)) return false;
    const std::uint64_t expected = Lib().archive_entry_size_is_set(entry) && Lib().archive_entry_size(entry) > 0
                                       ? static_cast<std::uint64_t>(Lib().archive_entry_size(entry))
                                       : tile.size;
    const bool ok = ReadData(handle, expected, limits, bytes, spool, error);
    // After a failed read the decompressor may be anywhere: start over next
    // time.
    if (!ok) Close();
    return ok;
  }

  // Moves the handle to the tile's member, its header in `entry`: on from
  // where the handle is, unless the member lies behind it, and once from
  // the start when it is not found there. False with the reason in `error`.
  bool Seek(const TileInput& tile, archive_entry*& entry, InputError& error, std::atomic<std::uint64_t>& opens) {
    bool fromStart = false;
    if (!handle || (tile.entry != TileInput::kUnknownEntry && tile.entry < next)) {
      if (!Reopen(tile.path, error, opens)) return false;
      fromStart = true;
    }
    for (;;) {
      switch (NextEntry(tile, entry, error)) {
        case Step::Found: return true;
        case Step::Failed: return false;
        case Step::Other: continue;
        case Step::Passed: break;
      }
      if (fromStart) {
        error = {Fault::NoSuchMember, tile.member};
        return false;
      }
      if (!Reopen(tile.path, error, opens)) return false;
      fromStart = true;
    }
  }

  // What the next header is to the search for the tile's member: the member,
  // another entry before it, the end or an entry past the member's place,
  // or a fault (the handle then closed).
  enum class Step { Found, Other, Passed, Failed };
  Step NextEntry(const TileInput& tile, archive_entry*& entry, InputError& error) {
    const int r = Lib().archive_read_next_header(handle, &entry);
    if (r == ARCHIVE_EOF) return Step::Passed;
    if (r < ARCHIVE_WARN) {
      error = ErrorOf(handle, Fault::ArchiveUnreadable);
      Close();
      return Step::Failed;
    }
    const std::uint64_t index = next++;
    const bool known = tile.entry != TileInput::kUnknownEntry;
    if (known && index > tile.entry) return Step::Passed;
    if (known && index != tile.entry) return Step::Other;
    return MemberName(handle, entry, tile.path) == tile.member ? Step::Found : Step::Other;
  }
};

struct TileReader::State {
  DataLimits limits;
  std::mutex mutex;  // guards `archives` and `clock`
  std::map<std::string, std::unique_ptr<Archive>> archives;
  std::uint64_t clock = 0;
  std::atomic<std::uint64_t> opens{0};

  // The archive's handle, made on first use.
  Archive& ArchiveFor(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    auto& slot = archives[path];
    if (!slot) slot = std::make_unique<Archive>();
    return *slot;
  }

  // Marks `used` as used last, then closes the handles used longest ago
  // beyond the limit, skipping any in use by another thread.
  void CloseIdleArchives(Archive& used) {
    std::lock_guard<std::mutex> lock(mutex);
    used.lastUse = ++clock;
    for (;;) {
      std::vector<Archive*> open;
      for (auto& [path, a] : archives)
        if (a->open) open.push_back(a.get());
      if (open.size() <= kMaxOpenArchives) return;
      std::sort(open.begin(), open.end(), [](Archive* x, Archive* y) { return x->lastUse < y->lastUse; });
      bool closed = false;
      for (Archive* a : open) {
        if (a == &used || !a->mutex.try_lock()) continue;
        a->Close();
        a->mutex.unlock();
        closed = true;
        break;
      }
      if (!closed) return;
    }
  }
};

std::uint64_t TileReader::heldBytes_ = std::uint64_t{32} << 20;

TileReader::TileReader(std::uint64_t memberLimit, std::uint64_t heldBytes) : state_(std::make_unique<State>()) {
  state_->limits = {memberLimit, heldBytes};
}

TileReader::~TileReader() {
  for (auto& [path, archive] : state_->archives) archive->Close();
}

std::uint64_t TileReader::ArchiveOpens() const { return state_->opens; }

bool TileReader::Read(const TileInput& tile, std::string& bytes, InputError& error) {
  return Read(tile, bytes, nullptr, error);
}

bool TileReader::Read(const TileInput& tile, std::string& bytes, MemberSpool& spool, InputError& error) {
  spool.file.Close();
  const bool ok = Read(tile, bytes, &spool, error);
  if (!ok) spool.file.Close();
  return ok;
}

bool TileReader::Read(const TileInput& tile, std::string& bytes, MemberSpool* spool, InputError& error) {
  if (!tile.InArchive()) return ReadLooseFile(tile.path, bytes, error);
  Archive& source = state_->ArchiveFor(tile.path);
  bool ok;
  {
    std::lock_guard<std::mutex> lock(source.mutex);
    ok = source.ReadMember(tile, state_->limits, bytes, spool, error, state_->opens);
  }
  state_->CloseIdleArchives(source);
  return ok;
}

}  // namespace quorvel
