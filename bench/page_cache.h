// Putting one file out of the page cache, for cold-cache runs, without root
// and without emptying the whole machine's cache under everyone else.
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace kit {
namespace bench {

// The file's pages still in the page cache, or -1 when it cannot be told.
inline long ResidentPages(int fd) {
  struct stat info;
  if (fstat(fd, &info) != 0 || info.st_size == 0) return -1;
  void* map = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_SHARED, fd, 0);
  if (map == MAP_FAILED) return -1;
  const long page = sysconf(_SC_PAGESIZE);
  std::vector<unsigned char> in((static_cast<size_t>(info.st_size) + page - 1) / page);
  long resident = -1;
  if (mincore(map, static_cast<size_t>(info.st_size), in.data()) == 0) {
    resident = 0;
    for (unsigned char flags : in) resident += flags & 1;
  }
  munmap(map, static_cast<size_t>(info.st_size));
  return resident;
}

// Writes back and drops the file's cached pages; returns the pages that
// stayed (0 when the next read must go to the disk), or -1 on failure.
inline long DropFromPageCache(const char* path) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) return -1;
  long resident = -1;
  if (fdatasync(fd) == 0 && posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0)
    resident = ResidentPages(fd);
  close(fd);
  return resident;
}

}  // namespace bench
}  // namespace kit
