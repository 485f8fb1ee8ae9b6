// The program's own module: its path and where it is loaded.
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>

#include "platform/posix/posix_os.h"

namespace platform {

std::uint32_t PosixOs::ModuleFileName(char* buffer, std::uint32_t size) {
  if (size == 0) {
    Fail(error::kInsufficientBuffer, ERANGE);
    return 0;
  }
  char path[PATH_MAX];
  const ssize_t length = calls_.readlink("/proc/self/exe", path, sizeof path);
  if (length < 0) {
    FailFromErrno();
    return 0;
  }
  // As GetModuleFileNameA: a path that does not fit is cut to size - 1 bytes
  // and a terminator, and the call answers with the full size.
  const auto pathLength = static_cast<std::uint32_t>(length);
  const std::uint32_t kept = pathLength < size ? pathLength : size - 1;
  std::memcpy(buffer, path, kept);
  buffer[kept] = '\0';
  if (pathLength >= size) {
    Fail(error::kInsufficientBuffer, ERANGE);
    return size;
  }
  return kept;
}

std::uintptr_t PosixOs::ModuleBase(const void* code) {
  // The loaded object whose segments hold the address, and the start of its
  // lowest segment, where its file is mapped. Unlike dladdr, this answers for
  // a statically linked program too.
  struct Search {
    std::uintptr_t address;
    std::uintptr_t base;
  } search{reinterpret_cast<std::uintptr_t>(code), 0};
  ::dl_iterate_phdr(
      [](struct dl_phdr_info* object, std::size_t, void* data) {
        auto& search = *static_cast<Search*>(data);
        std::uintptr_t lowest = UINTPTR_MAX;
        bool holds = false;
        for (int i = 0; i < object->dlpi_phnum; ++i) {
          const auto& segment = object->dlpi_phdr[i];
          if (segment.p_type != PT_LOAD) continue;
          const std::uintptr_t start = object->dlpi_addr + segment.p_vaddr;
          lowest = std::min(lowest, start);
          holds = holds || (search.address >= start && search.address - start < segment.p_memsz);
        }
        if (holds) search.base = lowest;
        return holds ? 1 : 0;
      },
      &search);
  return search.base;
}

}  // namespace platform
