// Mapping a tile on Windows. The system refuses to shorten a file while a
// view of it is open (the other program's write fails, "in use"), so a
// mapped tile is never damaged here.
#include "platform/mapped_file.hpp"

#include <windows.h>

namespace quorvel {

bool MappedFile::Map(const platform::File& file, std::size_t size) {
  Unmap();
  if (size == 0) return false;
  const HANDLE mapping =
      ::CreateFileMappingW(reinterpret_cast<HANDLE>(file.native()), nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (!mapping) return false;
  void* address = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, size);
  ::CloseHandle(mapping);  // the view keeps the mapping
  if (!address) return false;
  address_ = address;
  size_ = size;
  return true;
}

bool MappedFile::Damaged() const { return false; }

void MappedFile::Unmap() {
  if (!address_) return;
  ::UnmapViewOfFile(address_);
  address_ = nullptr;
  size_ = 0;
}

namespace platform {

void AskForLargePages(void* /*data*/, std::size_t /*size*/) {}

}  // namespace platform

}  // namespace quorvel
