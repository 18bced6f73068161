#include "platform/mapped_file.hpp"

#include <array>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace quorvel {

namespace {

// The mappings open now, for the SIGBUS handler. A slot is taken by
// setting its length, then its address (0: free); the handler reads them
// in the other order. Each worker maps one tile at a time, so a few slots
// are plenty; with none free a tile is read instead.
struct MappingSlot {
  std::atomic<std::uintptr_t> address{0};
  std::atomic<std::size_t> length{0};
  std::atomic<bool> damaged{false};
};

std::array<MappingSlot, 64> gMappings;
struct sigaction gPrevious {};
std::size_t gPageSize = 4096;  // the system's, read when the handler is installed

// Async-signal-safe: atomics and mmap (a system call) only.
void OnBusError(int signal, siginfo_t* info, void* context) {
  const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (MappingSlot& slot : gMappings) {
    const std::uintptr_t address = slot.address.load(std::memory_order_acquire);
    if (address <= 1 || at < address) continue;  // 1: a slot taken, not mapped yet
    const std::size_t length = slot.length.load(std::memory_order_relaxed);
    // The mapping's last page is whole, even where the file ends inside it.
    if (at - address >= (length + gPageSize - 1) / gPageSize * gPageSize) continue;
    void* zeros = ::mmap(reinterpret_cast<void*>(address), length, PROT_READ,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    if (zeros != MAP_FAILED) {
      slot.damaged.store(true, std::memory_order_relaxed);
      return;  // the read is made again, of a zero page
    }
    break;
  }
  // Not a mapped tile's page: as the handler before ours would have done.
  if ((gPrevious.sa_flags & SA_SIGINFO) != 0 && gPrevious.sa_sigaction != nullptr) {
    gPrevious.sa_sigaction(signal, info, context);
    return;
  }
  if (gPrevious.sa_handler != SIG_DFL && gPrevious.sa_handler != SIG_IGN && gPrevious.sa_handler != nullptr) {
    gPrevious.sa_handler(signal);
    return;
  }
  // The default action: the faulting read is made again and ends the
  // process with the signal.
  ::signal(SIGBUS, SIG_DFL);
}

bool InstallHandler() {
  if (const long size = ::sysconf(_SC_PAGESIZE); size > 0) gPageSize = static_cast<std::size_t>(size);
  struct sigaction action {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO | SA_RESTART;
  sigemptyset(&action.sa_mask);
  return ::sigaction(SIGBUS, &action, &gPrevious) == 0;
}

}  // namespace

bool MappedFile::Map(const platform::File& file, std::size_t size) {
  const int fd = static_cast<int>(file.native());
  Unmap();
  static std::once_flag once;
  static bool installed = false;
  std::call_once(once, [] { installed = InstallHandler(); });
  if (!installed || size == 0) return false;

  int slot = -1;
  for (std::size_t i = 0; i < gMappings.size() && slot < 0; ++i) {
    // Reserved with a placeholder address until the mapping exists.
    std::uintptr_t expected = 0;
    if (gMappings[i].address.compare_exchange_strong(expected, 1)) slot = static_cast<int>(i);
  }
  if (slot < 0) return false;
  MappingSlot& s = gMappings[static_cast<std::size_t>(slot)];

  // Populated: the pages are mapped at once, not faulted in one by one.
  void* address = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  if (address == MAP_FAILED) {
    s.address.store(0, std::memory_order_release);
    return false;
  }
  s.damaged.store(false, std::memory_order_relaxed);
  s.length.store(size, std::memory_order_relaxed);
  s.address.store(reinterpret_cast<std::uintptr_t>(address), std::memory_order_release);
  address_ = address;
  size_ = size;
  slot_ = slot;
  return true;
}

bool MappedFile::Damaged() const {
  return slot_ >= 0 && gMappings[static_cast<std::size_t>(slot_)].damaged.load(std::memory_order_relaxed);
}

void MappedFile::Unmap() {
  if (!address_) return;
  gMappings[static_cast<std::size_t>(slot_)].address.store(0, std::memory_order_release);
  ::munmap(address_, size_);
  address_ = nullptr;
  size_ = 0;
  slot_ = -1;
}

namespace platform {

void AskForLargePages(void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
  constexpr std::size_t kLarge = std::size_t{2} << 20;
  if (size < 2 * kLarge) return;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kLarge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace platform

}  // namespace quorvel
