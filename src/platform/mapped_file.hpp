// A tile mapped read-only instead of read into memory: its bytes are the
// page cache's own, not copied, and no fresh pages are cleared for them.
//
// On Windows a file cannot be shortened while it is mapped. Elsewhere a
// mapped file that shrinks (another program truncates or rewrites it)
// would stop the process with SIGBUS at the first page past its new end.
// The handler installed with the first mapping puts zero pages over the
// whole mapping instead and marks it damaged: the reader sees NUL bytes
// from there on and the mark makes the file a read error. A SIGBUS
// anywhere else goes to the handler that was there before (by default it
// ends the process, as it would have).
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

#include "platform/file_system.hpp"

namespace quorvel {

namespace platform {

// A block of megabytes is touched page by page as it is read, a fault for
// every 4 KB; asking for large pages (where the system gives them on
// request) makes that a few faults per tile. A hint: nothing changes when
// it is not taken.
void AskForLargePages(void* data, std::size_t size);

}  // namespace platform

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile() { Unmap(); }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  // The mapping moves with its slot: its pages stay where they are.
  MappedFile(MappedFile&& other) noexcept { *this = std::move(other); }
  MappedFile& operator=(MappedFile&& other) noexcept {
    if (this != &other) {
      Unmap();
      std::swap(address_, other.address_);
      std::swap(size_, other.size_);
      std::swap(slot_, other.slot_);
    }
    return *this;
  }

  // Maps the first `size` bytes (above 0) of the open `file`, which the
  // caller may close afterwards. False, with nothing mapped, when the
  // system refuses; the caller then reads the file instead.
  bool Map(const platform::File& file, std::size_t size);
  void Unmap();

  bool mapped() const { return address_ != nullptr; }
  std::string_view text() const { return {static_cast<const char*>(address_), size_}; }
  // True once a page of the mapping went missing: the file shrank while
  // mapped, and the bytes from there on read as zeros.
  bool Damaged() const;

 private:
  void* address_ = nullptr;
  std::size_t size_ = 0;
  int slot_ = -1;
};

}  // namespace quorvel
