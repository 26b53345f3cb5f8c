// The SZDD codec against libmspack's expander, over a corpus of real PE
// files (bench/szdd_corpus.txt, or the list named by $KIT_SZDD_CORPUS).
//
// Both expanders get the same input, our compressor's output for each file,
// which is what the launcher expands, and both work memory to memory. Each
// iteration expands the whole corpus.
//
//   kit_bench --benchmark_filter=Szdd
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/mspack_memory.h"
#include "support/buffer.h"
#include "szdd/szdd.h"

namespace kit {
namespace {

struct CorpusFile {
  std::string path;
  std::vector<uint8_t> plain;
  std::vector<uint8_t> compressed;
};

std::vector<uint8_t> ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string CorpusList() {
  const char* named = std::getenv("KIT_SZDD_CORPUS");
  return named != nullptr ? named : KIT_BENCH_DIR "/szdd_corpus.txt";
}

// Loaded and compressed once, on first use.
const std::vector<CorpusFile>& Corpus() {
  static std::vector<CorpusFile> corpus = [] {
    std::vector<CorpusFile> files;
    std::ifstream list(CorpusList());
    std::string line;
    while (std::getline(list, line)) {
      if (line.empty() || line[0] == '#') continue;
      CorpusFile file{line, ReadWhole(line), {}};
      if (file.plain.empty()) continue;  // not on this machine
      ByteBuffer out;
      if (!CompressSzdd(file.plain.data(), static_cast<u32>(file.plain.size()), out)) continue;
      file.compressed.assign(out.Data(), out.Data() + out.Length());
      files.push_back(std::move(file));
    }
    return files;
  }();
  return corpus;
}

size_t LargestPlain() {
  size_t largest = 0;
  for (const CorpusFile& file : Corpus()) largest = std::max(largest, file.plain.size());
  return largest;
}

void Report(benchmark::State& state, size_t plainBytes, size_t compressedBytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * plainBytes));
  state.counters["files"] = static_cast<double>(Corpus().size());
  state.counters["plain_bytes"] = static_cast<double>(plainBytes);
  state.counters["szdd_bytes"] = static_cast<double>(compressedBytes);
}

bool ExpandOurs(const CorpusFile& file, std::vector<uint8_t>& out) {
  u32 written = 0;
  SzddStatus status = ExpandSzdd(file.compressed.data(), static_cast<u32>(file.compressed.size()),
                                 out.data(), static_cast<u32>(out.size()), &written);
  return status == SzddStatus::kOk && written == file.plain.size();
}

bool ExpandLibmspack(msszdd_decompressor* expander, const CorpusFile& file,
                     std::vector<uint8_t>& out) {
  bench::MemoryFile in, to;
  in.input = file.compressed.data();
  in.length = file.compressed.size();
  to.output = out.data();
  to.length = file.plain.size();
  return expander->decompress(expander, bench::NameOf(&in), bench::NameOf(&to)) ==
         MSPACK_ERR_OK;
}

void BM_SzddExpandOurs(benchmark::State& state) {
  std::vector<uint8_t> out(LargestPlain());
  size_t plain = 0, compressed = 0;
  for (const CorpusFile& file : Corpus()) {
    plain += file.plain.size();
    compressed += file.compressed.size();
    if (!ExpandOurs(file, out) || std::memcmp(out.data(), file.plain.data(), file.plain.size())) {
      state.SkipWithError(("wrong expansion of " + file.path).c_str());
      return;
    }
  }
  for (auto _ : state) {
    for (const CorpusFile& file : Corpus()) {
      ExpandOurs(file, out);
      benchmark::ClobberMemory();
    }
  }
  Report(state, plain, compressed);
}
BENCHMARK(BM_SzddExpandOurs)->Unit(benchmark::kMillisecond);

void BM_SzddExpandLibmspack(benchmark::State& state) {
  int selftest = MSPACK_ERR_OK;
  MSPACK_SYS_SELFTEST(selftest);
  if (selftest != MSPACK_ERR_OK) {
    state.SkipWithError("libmspack was built for another off_t");
    return;
  }
  bench::MemorySystem system;
  msszdd_decompressor* expander = mspack_create_szdd_decompressor(system.get());
  std::vector<uint8_t> out(LargestPlain());
  size_t plain = 0, compressed = 0;
  for (const CorpusFile& file : Corpus()) {
    plain += file.plain.size();
    compressed += file.compressed.size();
    if (!ExpandLibmspack(expander, file, out) ||
        std::memcmp(out.data(), file.plain.data(), file.plain.size())) {
      state.SkipWithError(("libmspack expanded " + file.path + " wrongly").c_str());
      mspack_destroy_szdd_decompressor(expander);
      return;
    }
  }
  for (auto _ : state) {
    for (const CorpusFile& file : Corpus()) {
      ExpandLibmspack(expander, file, out);
      benchmark::ClobberMemory();
    }
  }
  mspack_destroy_szdd_decompressor(expander);
  Report(state, plain, compressed);
}
BENCHMARK(BM_SzddExpandLibmspack)->Unit(benchmark::kMillisecond);

// Our compressor in-process, for its own rate; its race with mscompress is
// run by tools/bench.sh, program against program, since mscompress is only
// a program.
void BM_SzddCompressOurs(benchmark::State& state) {
  size_t plain = 0, compressed = 0;
  for (const CorpusFile& file : Corpus()) {
    plain += file.plain.size();
    compressed += file.compressed.size();
  }
  ByteBuffer out;
  for (auto _ : state) {
    for (const CorpusFile& file : Corpus()) {
      CompressSzdd(file.plain.data(), static_cast<u32>(file.plain.size()), out);
      benchmark::DoNotOptimize(out.Data());
    }
  }
  Report(state, plain, compressed);
}
BENCHMARK(BM_SzddCompressOurs)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace kit
