// The configuration's hot spots: finding the package marker in a large
// executable, and scrambling a large stream.
//
//   kit_bench --benchmark_filter='Marker|Scramble|Memcpy'
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/posix_files.h"
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
std::vector<uint8_t> MakeContent(size_t size, int content) {
  std::vector<uint8_t> bytes(size);
  std::mt19937_64 random(42);
  for (auto& b : bytes) {
    b = static_cast<uint8_t>(random());
    if (content == kMarkerLetters) b = static_cast<uint8_t>('A' + b % 5);
  }
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
  state.counters["reads"] = static_cast<double>(files.reads) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MarkerSearchBlocks)
    ->Args({kLargeFile, kRandomBytes})
    ->Args({kLargeFile, kMarkerLetters})
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
  for (auto _ : state) {
    const void* found = memmem(bytes.data(), bytes.size(), kMarker, 10);
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
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
