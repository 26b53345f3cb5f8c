// The SZDD codec: round trips, agreement with the mscompress tools and the
// third-party files made by them, and the expander's answers to broken input.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "szdd/szdd.h"

namespace kit {
namespace {

using Bytes = std::vector<u8>;

const std::string kPeers = std::string(KIT_PEERS_DIR) + "/szdd";

// A few real PE files of the build host's MinGW and Wine, small enough for a
// quick run under the sanitizers.
const char* const kPeFiles[] = {
    "/usr/x86_64-w64-mingw32/lib/zlib1.dll",
    "/usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll",
    "/usr/lib/gcc/x86_64-w64-mingw32/12-win32/libssp-0.dll",
    "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/find.exe",
    "/usr/lib/wine/x86_64-windows/find.exe",
};

bool FileExists(const std::string& path) { return std::ifstream(path).good(); }

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> PeFiles() {
  std::vector<std::string> found;
  for (const char* path : kPeFiles)
    if (FileExists(path)) found.push_back(path);
  return found;
}

bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// A scratch folder of the test's own, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = ::testing::TempDir() + "szdd.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) != nullptr) path_ = name.data();
  }
  ~ScratchFolder() {
    if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// msexpand reads a compressed file on its input and writes the expansion.
Bytes PeerExpand(const ScratchFolder& scratch, const Bytes& compressed) {
  WriteFile(scratch / "peer.in", compressed);
  std::string command = "msexpand < '" + scratch / "peer.in" + "' > '" + scratch / "peer.out" + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return ReadFile(scratch / "peer.out");
}

// mscompress writes NAME_ beside NAME.
Bytes PeerCompress(const ScratchFolder& scratch, const Bytes& original) {
  WriteFile(scratch / "plain", original);
  std::remove((scratch / "plain_").c_str());
  std::string command = "mscompress '" + scratch / "plain" + "' >/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return ReadFile(scratch / "plain_");
}

Bytes Compress(const Bytes& input, u8 lastChar = 0) {
  ByteBuffer out;
  EXPECT_TRUE(CompressSzdd(input.data(), static_cast<u32>(input.size()), out, lastChar));
  return Bytes(out.Data(), out.Data() + out.Length());
}

// Expands from an exactly sized heap copy, so that the sanitizer sees any
// read past the input's end.
SzddStatus Expand(const Bytes& input, Bytes* output) {
  u8* exact = new u8[input.size() ? input.size() : 1];
  if (!input.empty()) std::memcpy(exact, input.data(), input.size());
  ByteBuffer out;
  SzddStatus status = ExpandSzdd(exact, static_cast<u32>(input.size()), out);
  delete[] exact;
  output->assign(out.Data(), out.Data() + out.Length());
  return status;
}

Bytes Expanded(const Bytes& input) {
  Bytes out;
  SzddStatus status = Expand(input, &out);
  EXPECT_EQ(status, SzddStatus::kOk) << DescribeSzddStatus(status);
  return out;
}

Bytes Header(u32 expandedLength, u8 mode = 'A') {
  Bytes header(kSzddSignature, kSzddSignature + 8);
  header.push_back(mode);
  header.push_back(0);
  for (int i = 0; i < 4; ++i) header.push_back(static_cast<u8>(expandedLength >> (8 * i)));
  return header;
}

Bytes RandomBytes(size_t count, unsigned seed, int alphabet = 256) {
  std::mt19937 random(seed);
  Bytes bytes(count);
  for (u8& b : bytes) b = static_cast<u8>(random() % alphabet);
  return bytes;
}

// An SZDD stream built item by item, and what it means, worked out with the
// plain ring of the format's description: 4096 blanks, writing from 4080,
// every match copied byte by byte through the ring.
struct Stream {
  Bytes data;  // flag bytes and items, without the header
  Bytes meaning;
  u8 ring[4096];
  u32 write = 4080;
  size_t flagAt = 0;
  int items = 0;

  Stream() { std::memset(ring, ' ', sizeof ring); }

  void Put(u8 byte) {
    meaning.push_back(byte);
    ring[write] = byte;
    write = (write + 1) & 4095;
  }
  void StartItem(bool literal) {
    if (items++ % 8 == 0) {
      flagAt = data.size();
      data.push_back(0);
    }
    if (literal) data[flagAt] |= static_cast<u8>(1 << ((items - 1) % 8));
  }
  void Literal(u8 byte) {
    StartItem(true);
    data.push_back(byte);
    Put(byte);
  }
  void Match(u32 position, u32 length) {
    StartItem(false);
    data.push_back(static_cast<u8>(position));
    data.push_back(static_cast<u8>(((position >> 4) & 0xF0) | (length - 3)));
    for (u32 k = 0; k < length; ++k) Put(ring[(position + k) & 4095]);
  }
  Bytes File() const { return File(static_cast<u32>(meaning.size())); }
  Bytes File(u32 length) const {
    Bytes file = Header(length);
    file.insert(file.end(), data.begin(), data.end());
    return file;
  }
};

Stream RandomStream(unsigned seed, int items) {
  std::mt19937 random(seed);
  Stream stream;
  for (int i = 0; i < items; ++i) {
    if (random() % 3 == 0)
      stream.Literal(static_cast<u8>(random()));
    else if (random() % 4 == 0)  // near the write position: short distances, overlaps
      stream.Match((stream.write - 1 - random() % 20) & 4095, 3 + random() % 16);
    else
      stream.Match(random() % 4096, 3 + random() % 16);
  }
  return stream;
}

// --- round trips --------------------------------------------------------------

TEST(SzddRoundTrip, SyntheticInputsComeBackExactly) {
  struct Case {
    const char* name;
    Bytes input;
  };
  Bytes text;
  for (int i = 0; i < 3000; ++i) {
    std::string line = "line " + std::to_string(i % 97) + " of the agreement text\r\n";
    text.insert(text.end(), line.begin(), line.end());
  }
  const Case cases[] = {
      {"empty", {}},
      {"one byte", {'A'}},
      {"two bytes", {0, 0}},
      {"three blanks", {' ', ' ', ' '}},
      {"all the same", Bytes(100000, 'x')},
      {"all blanks", Bytes(9000, ' ')},
      {"random", RandomBytes(100000, 1)},
      {"two letters", RandomBytes(200000, 2, 2)},
      {"four letters", RandomBytes(70000, 3, 4)},
      {"text", text},
      // A parse block is 64 KiB; these straddle the edges.
      {"one block", RandomBytes(65536, 4, 3)},
      {"a block and a bit", RandomBytes(65536 + 17, 5, 3)},
      {"three blocks less one", Bytes(3 * 65536 - 1, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes compressed = Compress(c.input, 'e');
    ASSERT_GE(compressed.size(), kSzddHeaderSize);
    SzddHeader header;
    ASSERT_EQ(ReadSzddHeader(compressed.data(), static_cast<u32>(compressed.size()), &header),
              SzddStatus::kOk);
    EXPECT_EQ(header.lastChar, 'e');
    EXPECT_EQ(header.expandedLength, c.input.size());
    EXPECT_LE(compressed.size(), SzddCompressBound(static_cast<u32>(c.input.size())));
    EXPECT_EQ(Expanded(compressed), c.input);
  }
}

TEST(SzddRoundTrip, RepetitiveInputShrinksToTheFormatsLimit) {
  // 18 bytes per two-byte match and one flag byte per eight: the best the
  // format allows is about 17 bytes for every 144.
  Bytes compressed = Compress(Bytes(144000, 0));
  EXPECT_LE(compressed.size(), kSzddHeaderSize + 17000 + 20);
}

TEST(SzddRoundTrip, LeadingBlanksAreCopiedFromTheInitialWindow) {
  // Blanks at the very start have no earlier output to copy from, only the
  // window's initial content; using it makes the first item a match.
  Bytes input(40, ' ');
  input.push_back('x');
  Bytes compressed = Compress(input);
  ASSERT_GT(compressed.size(), kSzddHeaderSize + 1u);
  EXPECT_EQ(compressed[kSzddHeaderSize] & 1, 0) << "the first item is a match";
  EXPECT_LT(compressed.size(), kSzddHeaderSize + 10u);
  EXPECT_EQ(Expanded(compressed), input);
}

TEST(SzddRoundTrip, RealProgramsComeBackExactly) {
  std::vector<std::string> files = PeFiles();
  if (files.empty()) GTEST_SKIP() << "no MinGW or Wine PE files on this host";
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    Bytes original = ReadFile(path);
    Bytes compressed = Compress(original);
    EXPECT_LT(compressed.size(), original.size());
    EXPECT_EQ(Expanded(compressed), original);
  }
}

// --- the expander against an independent reading of the format ------------------

TEST(SzddExpand, AgreesWithThePlainRingOnRandomStreams) {
  // Random positions reach the initial blanks, the slot about to be written
  // (4096 back), and overlapping copies; the long streams take the fast path.
  for (unsigned seed = 1; seed <= 40; ++seed) {
    Stream stream = RandomStream(seed, seed % 2 ? 5000 : 37);
    SCOPED_TRACE(seed);
    Bytes out;
    ASSERT_EQ(Expand(stream.File(), &out), SzddStatus::kOk);
    ASSERT_EQ(out, stream.meaning);
  }
}

TEST(SzddExpand, EveryMatchPositionAndLengthFromAFreshWindow) {
  for (u32 position = 0; position < 4096; ++position) {
    for (u32 length : {3u, 10u, 18u}) {
      Stream stream;
      for (int i = 0; i < 20; ++i) stream.Literal(static_cast<u8>('a' + i));
      stream.Match(position, length);
      Bytes out;
      ASSERT_EQ(Expand(stream.File(), &out), SzddStatus::kOk);
      ASSERT_EQ(out, stream.meaning) << position << " " << length;
    }
  }
}

// --- agreement with the mscompress tools ---------------------------------------------

TEST(SzddPeers, ThirdPartyFilesExpandAsMsexpandExpandsThem) {
  std::vector<std::string> names = {"gpl3.txt", "libwinpthread-1-x86_64.dll", "pal8.bmp",
                                    "random20000.bin", "rgb24.bmp"};
  if (!FileExists(kPeers + "/gpl3.txt.szdd")) GTEST_SKIP() << "no peer files in " << kPeers;
  bool peer = HaveTool("msexpand");
  ScratchFolder scratch;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    Bytes compressed = ReadFile(kPeers + "/" + name + ".szdd");
    ASSERT_FALSE(compressed.empty());
    Bytes ours = Expanded(compressed);
    if (FileExists(kPeers + "/" + name)) EXPECT_EQ(ours, ReadFile(kPeers + "/" + name));
    if (peer) EXPECT_EQ(ours, PeerExpand(scratch, compressed));
  }
  if (!peer) GTEST_SKIP() << "msexpand is not installed; compared with the originals only";
}

// What mscompress makes, we expand; what we make, msexpand expands; and ours
// is never the larger. (mscompress is broken below 16 bytes, so nothing that
// small is given to it.)
TEST(SzddPeers, InteroperatesWithMscompressAndIsNoLarger) {
  if (!HaveTool("mscompress") || !HaveTool("msexpand")) GTEST_SKIP() << "mscompress not installed";
  std::vector<std::pair<std::string, Bytes>> inputs = {
      {"random", RandomBytes(20000, 7)},
      {"blanks", Bytes(5000, ' ')},
      {"16 bytes", Bytes{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'}},
  };
  if (FileExists(kPeers + "/gpl3.txt")) inputs.push_back({"text", ReadFile(kPeers + "/gpl3.txt")});
  for (const std::string& path : PeFiles()) inputs.push_back({path, ReadFile(path)});
  ScratchFolder scratch;
  for (const auto& [name, original] : inputs) {
    SCOPED_TRACE(name);
    Bytes theirs = PeerCompress(scratch, original);
    ASSERT_FALSE(theirs.empty());
    EXPECT_EQ(Expanded(theirs), original);
    Bytes ours = Compress(original);
    EXPECT_EQ(PeerExpand(scratch, ours), original);
    EXPECT_LE(ours.size(), theirs.size());
  }
}

// --- broken input ----------------------------------------------------------------------

TEST(SzddExpand, EveryTruncationIsReportedWithoutReadingPastTheEnd) {
  Bytes original = RandomBytes(3000, 11, 5);
  original.insert(original.end(), 200, ' ');
  Bytes compressed = Compress(original);
  ASSERT_GT(compressed.size(), 300u);
  for (size_t cut = 0; cut < compressed.size(); ++cut) {
    Bytes truncated(compressed.begin(), compressed.begin() + static_cast<long>(cut));
    Bytes out;
    SzddStatus expected = cut < kSzddHeaderSize ? SzddStatus::kShortHeader : SzddStatus::kTruncated;
    ASSERT_EQ(Expand(truncated, &out), expected) << "cut at " << cut;
    EXPECT_TRUE(out.empty());
  }
}

TEST(SzddExpand, BrokenHeadersAndLengthsGiveTheirStatus) {
  Stream stream;  // "abc" then a 5-byte copy of "abcab": 8 bytes
  stream.Literal('a');
  stream.Literal('b');
  stream.Literal('c');
  stream.Match(4080, 5);
  ASSERT_EQ(stream.meaning, (Bytes{'a', 'b', 'c', 'a', 'b', 'c', 'a', 'b'}));
  Bytes good = stream.File();

  Bytes badSignature = good;
  badSignature[3] = 'Q';
  Bytes notEvenEight = {'S', 'Z', 'X'};
  Bytes shortHeader(good.begin(), good.begin() + 10);
  Bytes forgedHuge = stream.File(0xFFFFFFF0u);
  Bytes trailing = good;
  trailing.push_back(0xFF);
  trailing.push_back('z');

  struct Case {
    const char* name;
    Bytes file;
    SzddStatus status;
  };
  const Case cases[] = {
      {"good", good, SzddStatus::kOk},
      {"no bytes at all", {}, SzddStatus::kShortHeader},
      {"three bytes", notEvenEight, SzddStatus::kShortHeader},
      {"header cut", shortHeader, SzddStatus::kShortHeader},
      {"signature", badSignature, SzddStatus::kBadSignature},
      {"not SZDD at all", Bytes(100, 'M'), SzddStatus::kBadSignature},
      {"mode B", [&] { Bytes b = good; b[8] = 'B'; return b; }(), SzddStatus::kUnsupportedMode},
      {"length one more", stream.File(9), SzddStatus::kTruncated},
      {"length far beyond the data", forgedHuge, SzddStatus::kTruncated},
      {"length ends inside the match", stream.File(6), SzddStatus::kMatchPastEnd},
      {"length ends before the match", stream.File(3), SzddStatus::kTrailingData},
      {"length zero", stream.File(0), SzddStatus::kTrailingData},
      {"bytes after the end", trailing, SzddStatus::kTrailingData},
      {"empty and nothing after", Header(0), SzddStatus::kOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes out;
    EXPECT_EQ(Expand(c.file, &out), c.status) << DescribeSzddStatus(Expand(c.file, &out));
    if (c.status != SzddStatus::kOk) EXPECT_TRUE(out.empty());
  }
}

TEST(SzddExpand, NeverWritesPastTheCallersBuffer) {
  Bytes original = RandomBytes(5000, 12, 3);
  Bytes compressed = Compress(original);
  u32 written = 0;
  // Exactly the expanded length: enough, and the sanitizer sees any overrun.
  u8* exact = new u8[original.size()];
  EXPECT_EQ(ExpandSzdd(compressed.data(), static_cast<u32>(compressed.size()), exact,
                       static_cast<u32>(original.size()), &written),
            SzddStatus::kOk);
  EXPECT_EQ(written, original.size());
  EXPECT_EQ(Bytes(exact, exact + written), original);
  delete[] exact;

  u8 small[100];
  EXPECT_EQ(ExpandSzdd(compressed.data(), static_cast<u32>(compressed.size()), small,
                       sizeof small, &written),
            SzddStatus::kOutputTooSmall);
  EXPECT_EQ(written, 0u);
}

TEST(SzddExpand, EveryStatusHasItsOwnWords) {
  const SzddStatus all[] = {SzddStatus::kOk,           SzddStatus::kShortHeader,
                            SzddStatus::kBadSignature, SzddStatus::kUnsupportedMode,
                            SzddStatus::kOutputTooSmall, SzddStatus::kTruncated,
                            SzddStatus::kMatchPastEnd, SzddStatus::kTrailingData,
                            SzddStatus::kOutOfMemory};
  std::vector<std::string> seen;
  for (SzddStatus status : all) {
    std::string words = DescribeSzddStatus(status);
    EXPECT_FALSE(words.empty());
    for (const std::string& other : seen) EXPECT_NE(words, other);
    seen.push_back(words);
  }
}

// --- the fake Windows expands as the real one ---------------------------------------

TEST(SzddFakePlatform, ExpandsCompressedFilesAndCopiesOthers) {
  FakePlatform fake;
  Bytes program = RandomBytes(10000, 13, 6);
  fake.AddFile("C:\\WINDOWS\\TEMP\\temp.ex_", Compress(program));
  const std::string plain = "MZ not compressed";
  fake.AddFile("C:\\WINDOWS\\TEMP\\plain.ex_", plain);
  Bytes broken = Compress(program);
  broken.resize(broken.size() / 2);
  fake.AddFile("C:\\WINDOWS\\TEMP\\broken.ex_", broken);

  EXPECT_TRUE(fake.ExpandFile("C:\\WINDOWS\\TEMP\\", "temp.ex_", "temp.exe"));
  EXPECT_EQ(fake.Bytes("C:\\WINDOWS\\TEMP\\temp.exe"), program);
  EXPECT_TRUE(fake.ExpandFile("C:\\WINDOWS\\TEMP\\", "plain.ex_", "plain.exe"));
  EXPECT_EQ(fake.Bytes("C:\\WINDOWS\\TEMP\\plain.exe"), Bytes(plain.begin(), plain.end()));
  EXPECT_FALSE(fake.ExpandFile("C:\\WINDOWS\\TEMP\\", "broken.ex_", "broken.exe"));
  EXPECT_FALSE(fake.Exists("C:\\WINDOWS\\TEMP\\broken.exe"));
}

// --- the host tool -------------------------------------------------------------------------

// szddtool is built beside this test program.
std::string ToolPath() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "";
  std::string path(self, static_cast<size_t>(n));
  return path.substr(0, path.find_last_of('/') + 1) + "szddtool";
}

int RunTool(const std::string& arguments) {
  int status = std::system((ToolPath() + " " + arguments + " 2>/dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SzddTool, CompressesExpandsAndRefusesBrokenInput) {
  if (!FileExists(ToolPath())) GTEST_SKIP() << "szddtool is not built";
  ScratchFolder scratch;
  Bytes original = RandomBytes(30000, 14, 9);
  WriteFile(scratch / "setup.exe", original);

  ASSERT_EQ(RunTool("compress '" + scratch / "setup.exe" + "' '" + scratch / "setup.ex_" + "'"), 0);
  Bytes compressed = ReadFile(scratch / "setup.ex_");
  ASSERT_GT(compressed.size(), kSzddHeaderSize);
  EXPECT_EQ(compressed[9], 'e') << "the header keeps the name's last character";
  ASSERT_EQ(RunTool("expand '" + scratch / "setup.ex_" + "' '" + scratch / "back.exe" + "'"), 0);
  EXPECT_EQ(ReadFile(scratch / "back.exe"), original);

  compressed.resize(compressed.size() - 1);
  WriteFile(scratch / "cut.ex_", compressed);
  EXPECT_EQ(RunTool("expand '" + scratch / "cut.ex_" + "' '" + scratch / "cut.exe" + "'"), 1);
  EXPECT_FALSE(FileExists(scratch / "cut.exe")) << "no output is left behind on failure";
  EXPECT_EQ(RunTool("expand '" + scratch / "setup.exe" + "' '" + scratch / "x.exe" + "'"), 1);
  EXPECT_FALSE(FileExists(scratch / "x.exe"));
  EXPECT_EQ(RunTool("compress '" + scratch / "missing" + "' '" + scratch / "y" + "'"), 1);
  EXPECT_FALSE(FileExists(scratch / "y"));

  EXPECT_EQ(RunTool(""), 2);
  EXPECT_EQ(RunTool("squeeze a b"), 2);
  EXPECT_EQ(RunTool("compress only-one"), 2);
}

}  // namespace
}  // namespace kit
