// The file part of the seam on the host's real files, so that a benchmark
// measures real reads rather than copies out of a map. Everything else comes
// from the in-memory Windows.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include "platform/fake/fake_platform.h"

namespace kit {

class PosixFiles : public FakePlatform {
 public:
  FileHandle OpenForReading(const char* path) override {
    int fd = ::open(path, O_RDONLY);
    return fd < 0 ? nullptr : reinterpret_cast<FileHandle>(static_cast<intptr_t>(fd) + 1);
  }

  u32 ReadFile(FileHandle file, void* into, u32 count) override {
    ++reads;
    ssize_t got = ::read(Fd(file), into, count);
    return got < 0 ? 0 : static_cast<u32>(got);
  }

  bool SeekFile(FileHandle file, u32 offset) override {
    ++seeks;
    return ::lseek(Fd(file), offset, SEEK_SET) == static_cast<off_t>(offset);
  }

  void CloseFile(FileHandle file) override { ::close(Fd(file)); }

  long reads = 0;
  long seeks = 0;

 private:
  static int Fd(FileHandle file) {
    return static_cast<int>(reinterpret_cast<intptr_t>(file)) - 1;
  }
};

}  // namespace kit
