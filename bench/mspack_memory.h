// libmspack's file layer over memory, so that its SZDD expander is timed on
// the same terms as ours: input and output in memory, no file system.
//
// A "file name" handed to libmspack is the address of a MemoryFile; each
// open works on a copy of it, so one name can be opened again and again.
#pragma once

#include <mspack.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace kit {
namespace bench {

struct MemoryFile {
  mspack_file base;  // first, so that a MemoryFile* is a mspack_file*
  const uint8_t* input = nullptr;  // for reading
  uint8_t* output = nullptr;       // for writing
  size_t length = 0;               // bytes that may be read or written
  size_t at = 0;
};

inline const char* NameOf(MemoryFile* file) { return reinterpret_cast<const char*>(file); }

class MemorySystem {
 public:
  MemorySystem() {
    system_.open = Open;
    system_.close = Close;
    system_.read = Read;
    system_.write = Write;
    system_.seek = Seek;
    system_.tell = Tell;
    system_.message = Message;
    system_.alloc = Alloc;
    system_.free = std::free;
    system_.copy = Copy;
    system_.null_ptr = nullptr;
  }

  mspack_system* get() { return &system_; }

 private:
  static mspack_file* Open(mspack_system*, const char* name, int) {
    auto* file = new MemoryFile(*reinterpret_cast<const MemoryFile*>(name));
    file->at = 0;
    return &file->base;
  }
  static void Close(mspack_file* file) { delete reinterpret_cast<MemoryFile*>(file); }

  static int Read(mspack_file* handle, void* into, int bytes) {
    auto* file = reinterpret_cast<MemoryFile*>(handle);
    if (file->input == nullptr || bytes < 0) return -1;
    size_t count = std::min(static_cast<size_t>(bytes), file->length - file->at);
    std::memcpy(into, file->input + file->at, count);
    file->at += count;
    return static_cast<int>(count);
  }

  static int Write(mspack_file* handle, void* from, int bytes) {
    auto* file = reinterpret_cast<MemoryFile*>(handle);
    if (file->output == nullptr || bytes < 0) return -1;
    if (static_cast<size_t>(bytes) > file->length - file->at) return -1;
    std::memcpy(file->output + file->at, from, static_cast<size_t>(bytes));
    file->at += static_cast<size_t>(bytes);
    return bytes;
  }

  static int Seek(mspack_file* handle, off_t offset, int mode) {
    auto* file = reinterpret_cast<MemoryFile*>(handle);
    off_t base = mode == MSPACK_SYS_SEEK_START ? 0
                 : mode == MSPACK_SYS_SEEK_CUR ? static_cast<off_t>(file->at)
                                               : static_cast<off_t>(file->length);
    off_t to = base + offset;
    if (to < 0 || static_cast<size_t>(to) > file->length) return -1;
    file->at = static_cast<size_t>(to);
    return 0;
  }

  static off_t Tell(mspack_file* handle) {
    return static_cast<off_t>(reinterpret_cast<MemoryFile*>(handle)->at);
  }

  static void Message(mspack_file*, const char*, ...) {}
  static void* Alloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
  static void Copy(void* from, void* to, size_t bytes) { std::memcpy(to, from, bytes); }

  mspack_system system_{};
};

}  // namespace bench
}  // namespace kit
