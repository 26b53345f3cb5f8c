// The configuration's hot spots: finding the package marker in a large
// executable, and scrambling a large stream.
//
// Warm runs read a file that is in the page cache; cold runs first put it out
// of the cache with posix_fadvise and check with mincore that no page of it
// stayed, and are timed on the wall clock, since they wait for the disk.
//
//   kit_bench --benchmark_filter='Marker|Scramble|Memcpy'
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/page_cache.h"
#include "bench/posix_files.h"
#include "bench/stride_search.h"
#include "config/package_search.h"
#include "config/scramble.h"

namespace kit {
namespace {

constexpr size_t kLargeFile = 64u << 20;
constexpr size_t kSteppedFile = 256u << 10;  // the byte-stepping search is slow
const char kMarker[] = "AABBCCDDEE";

enum Content { kRandomBytes = 0, kMarkerLetters = 1 };

// `size` bytes ending in the marker (nothing behind it): the worst place for
// it. Random bytes, or only the marker's letters, which defeats the skips.
// Letters drawn at random spell the marker by chance every few million
// bytes; those are broken up, so that every search runs to the end.
std::vector<uint8_t> MakeContent(size_t size, int content) {
  std::vector<uint8_t> bytes(size);
  std::mt19937_64 random(42);
  for (auto& b : bytes) {
    b = static_cast<uint8_t>(random());
    if (content == kMarkerLetters) b = static_cast<uint8_t>('A' + b % 5);
  }
  for (uint8_t* at = bytes.data();
       (at = static_cast<uint8_t*>(memmem(at, bytes.data() + size - at, kMarker, 10))) != nullptr;)
    at[9] = 'D';
  std::memcpy(bytes.data() + size - 10, kMarker, 10);
  return bytes;
}

const std::vector<uint8_t>& Content(size_t size, int content) {
  static std::vector<uint8_t> cache[2][2];
  std::vector<uint8_t>& slot = cache[size == kLargeFile][content];
  if (slot.empty()) slot = MakeContent(size, content);
  return slot;
}

std::string FileWith(size_t size, int content) {
  std::string path = (std::filesystem::temp_directory_path() /
                      ("kit_bench_marker_" + std::to_string(size) + "_" + std::to_string(content)))
                         .string();
  if (std::filesystem::exists(path) && std::filesystem::file_size(path) == size) return path;
  const std::vector<uint8_t>& bytes = Content(size, content);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
  return path;
}

// The launcher's search, through the seam, on a real file.
void BM_MarkerSearchBlocks(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  std::string path = FileWith(size, static_cast<int>(state.range(1)));
  PosixFiles files;
  for (auto _ : state) {
    FileHandle file = files.OpenForReading(path.c_str());
    OidBuffer stream;
    bool found = ReadPackageBehindMarker(files, file, 0, stream);
    files.CloseFile(file);
    if (!found) state.SkipWithError("marker not found");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
  state.counters["reads"] =
      static_cast<double>(files.reads) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MarkerSearchBlocks)
    ->Args({kLargeFile, kRandomBytes})
    ->Args({kLargeFile, kMarkerLetters})
    ->Unit(benchmark::kMillisecond);

// The same search from a cold page cache.
void BM_MarkerSearchBlocksCold(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  std::string path = FileWith(size, static_cast<int>(state.range(1)));
  PosixFiles files;
  long stayed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    stayed += bench::DropFromPageCache(path.c_str());
    state.ResumeTiming();
    FileHandle file = files.OpenForReading(path.c_str());
    OidBuffer stream;
    bool found = ReadPackageBehindMarker(files, file, 0, stream);
    files.CloseFile(file);
    if (!found) state.SkipWithError("marker not found");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
  state.counters["cached_pages_at_start"] = static_cast<double>(stayed);
}
BENCHMARK(BM_MarkerSearchBlocksCold)
    ->Args({kLargeFile, kRandomBytes})
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The candidate search (bench/stride_search.h) in the launcher's block loop:
// same block size, same carried tail, same reads.
bool ReadPackageStrided(Platform& platform, FileHandle file, OidBuffer& stream) {
  constexpr u32 kBlock = 64 * 1024, kCarried = kMarkerLength - 1;
  static u8 block[kBlock + kCarried];
  u8 marker[kMarkerLength];
  BuildPackageMarker(marker);
  bench::StrideSearch search(marker);
  u32 carried = 0;
  for (;;) {
    u32 got = platform.ReadFile(file, block + carried, kBlock);
    if (got == 0) return false;
    u32 available = carried + got;
    i32 at = search.Find(block, available);
    if (at >= 0) {
      u32 behind = static_cast<u32>(at) + kMarkerLength;
      if (!stream.Append(block + behind, available - behind)) return false;
      while ((got = platform.ReadFile(file, block, kBlock)) > 0)
        if (!stream.Append(block, got)) return false;
      return true;
    }
    carried = available < kCarried ? available : kCarried;
    std::memmove(block, block + available - carried, carried);
  }
}

// The candidate must give the byte-by-byte answer before its time means
// anything: short buffers of the marker's letters, some with markers
// planted, against memmem's first match.
bool StrideSearchAgreesWithMemmem() {
  u8 marker[kMarkerLength];
  BuildPackageMarker(marker);
  bench::StrideSearch search(marker);
  std::mt19937 random(7);
  std::vector<uint8_t> bytes;
  for (int trial = 0; trial < 20000; ++trial) {
    bytes.resize(random() % 200);
    for (auto& b : bytes) b = static_cast<uint8_t>('A' + random() % 5);
    for (int planted = random() % 3; planted > 0 && bytes.size() >= kMarkerLength; --planted)
      std::memcpy(bytes.data() + random() % (bytes.size() - kMarkerLength + 1), marker,
                  kMarkerLength);
    const void* expected = memmem(bytes.data(), bytes.size(), marker, kMarkerLength);
    i32 want = expected == nullptr
                   ? -1
                   : static_cast<i32>(static_cast<const uint8_t*>(expected) - bytes.data());
    if (search.Find(bytes.data(), static_cast<u32>(bytes.size())) != want) return false;
  }
  return true;
}

void MarkerSearchStrided(benchmark::State& state, bool cold) {
  static const bool agrees = StrideSearchAgreesWithMemmem();
  if (!agrees) {
    state.SkipWithError("the stride search disagrees with memmem");
    return;
  }
  const size_t size = static_cast<size_t>(state.range(0));
  std::string path = FileWith(size, static_cast<int>(state.range(1)));
  PosixFiles files;
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      bench::DropFromPageCache(path.c_str());
      state.ResumeTiming();
    }
    FileHandle file = files.OpenForReading(path.c_str());
    OidBuffer stream;
    bool found = ReadPackageStrided(files, file, stream);
    files.CloseFile(file);
    if (!found) state.SkipWithError("marker not found");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}
void BM_MarkerSearchStrided(benchmark::State& state) { MarkerSearchStrided(state, false); }
void BM_MarkerSearchStridedCold(benchmark::State& state) { MarkerSearchStrided(state, true); }
BENCHMARK(BM_MarkerSearchStrided)
    ->Args({kLargeFile, kRandomBytes})
    ->Args({kLargeFile, kMarkerLetters})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkerSearchStridedCold)
    ->Args({kLargeFile, kRandomBytes})
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The reference: one ten-byte read and one seek per position.
void BM_MarkerSearchByteStepping(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  std::string path = FileWith(size, static_cast<int>(state.range(1)));
  PosixFiles files;
  for (auto _ : state) {
    FileHandle file = files.OpenForReading(path.c_str());
    uint8_t window[10];
    for (u32 at = 0;; ++at) {
      files.SeekFile(file, at);
      std::memset(window, 0, sizeof window);
      if (files.ReadFile(file, window, 10) < 10) {
        state.SkipWithError("marker not found");
        break;
      }
      if (std::memcmp(window, kMarker, 10) == 0) break;
    }
    files.CloseFile(file);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}
BENCHMARK(BM_MarkerSearchByteStepping)
    ->Args({kSteppedFile, kRandomBytes})
    ->Unit(benchmark::kMillisecond);

// The library's search over the same bytes already in memory: no reads.
void BM_MarkerSearchMemmem(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  const std::vector<uint8_t>& bytes = Content(size, static_cast<int>(state.range(1)));
  const void* found = nullptr;
  for (auto _ : state) {
    found = memmem(bytes.data(), bytes.size(), kMarker, 10);
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
  // Where the first marker is: the end, unless the content made one earlier.
  state.counters["marker_at"] =
      found == nullptr ? -1.0
                       : static_cast<double>(static_cast<const uint8_t*>(found) - bytes.data());
}
BENCHMARK(BM_MarkerSearchMemmem)
    ->Args({kLargeFile, kRandomBytes})
    ->Args({kLargeFile, kMarkerLetters})
    ->Unit(benchmark::kMillisecond);

void BM_ScrambleOid(benchmark::State& state) {
  OidBuffer stream;
  std::vector<uint8_t> bytes = MakeContent(kLargeFile, kRandomBytes);
  stream.Append(bytes.data(), static_cast<u32>(bytes.size()));
  for (auto _ : state) {
    ScrambleOid(stream, kScrambleBlockSize, false);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kLargeFile);
}
BENCHMARK(BM_ScrambleOid)->Unit(benchmark::kMillisecond);

void BM_MemcpySameSize(benchmark::State& state) {
  std::vector<uint8_t> from = MakeContent(kLargeFile, kRandomBytes), to(kLargeFile);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), kLargeFile);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kLargeFile);
}
BENCHMARK(BM_MemcpySameSize)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kit
