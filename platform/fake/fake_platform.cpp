#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <cstring>

#include "szdd/szdd.h"

namespace kit {
namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return text;
}

void* AsHandle(int id) { return reinterpret_cast<void*>(static_cast<intptr_t>(id)); }
int AsId(void* handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle)); }

bool PutText(TextRef out, const std::string& value) {
  out.Clear();
  return out.Assign(value.c_str(), static_cast<u32>(value.size()));
}

}  // namespace

FakePlatform::FakePlatform() {
  // As Windows' LZ functions: SZDD data is expanded, anything else copied.
  expander = [](const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
    if (!HasSzddSignature(in.data(), static_cast<u32>(in.size()))) {
      out = in;
      return true;
    }
    ByteBuffer expanded;
    if (ExpandSzdd(in.data(), static_cast<u32>(in.size()), expanded) != SzddStatus::kOk)
      return false;
    out.assign(expanded.Data(), expanded.Data() + expanded.Length());
    return true;
  };
  AddFolder("C:\\KIT");
  AddFolder(tempFolder);
  AddFolder(windowsFolder);
  AddFolder(systemFolder);
}

std::string FakePlatform::Key(const std::string& path) {
  std::string key = Lower(path);
  while (key.size() > 3 && key.back() == '\\') key.pop_back();
  return key;
}

std::string FakePlatform::ParentKey(const std::string& key) {
  size_t slash = key.find_last_of('\\');
  if (slash == std::string::npos) return "";
  if (slash == 2) return key.substr(0, 3);  // "c:\"
  return key.substr(0, slash);
}

std::string FakePlatform::Resolve(const std::string& path) const {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return path;
  if (path.size() >= 2 && path[1] == ':') {
    // "D:name" is relative to that drive's current folder; only the current
    // drive has one here, the others stand at their roots.
    std::string base = Lower(currentFolder.substr(0, 2)) == Lower(path.substr(0, 2))
                           ? currentFolder
                           : path.substr(0, 2) + "\\";
    if (base.back() != '\\') base += '\\';
    return base + path.substr(2);
  }
  std::string base = currentFolder;
  if (base.empty() || base.back() != '\\') base += '\\';
  return base + path;
}

bool FakePlatform::FolderExists(const std::string& key) const {
  if (key.size() == 3 && key[1] == ':') return true;  // drive roots
  return folders_.count(key) != 0;
}

void FakePlatform::AddFolder(const std::string& path) {
  std::string key = Key(Resolve(path));
  while (key.size() > 3) {
    folders_.insert(key);
    key = ParentKey(key);
  }
}

FakePlatform::File& FakePlatform::AddFile(const std::string& path,
                                          const std::vector<uint8_t>& bytes) {
  std::string full = Resolve(path);
  std::string key = Key(full);
  AddFolder(full.substr(0, full.find_last_of('\\') + 1));
  File& file = files_[key];
  if (file.path.empty()) file.path = full;
  file.bytes = bytes;
  return file;
}

FakePlatform::File& FakePlatform::AddFile(const std::string& path, const std::string& text) {
  return AddFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

bool FakePlatform::Exists(const std::string& path) const {
  return files_.count(Key(Resolve(path))) != 0;
}

FakePlatform::File* FakePlatform::Find(const std::string& path) {
  auto it = files_.find(Key(Resolve(path)));
  return it == files_.end() ? nullptr : &it->second;
}

std::vector<uint8_t> FakePlatform::Bytes(const std::string& path) const {
  auto it = files_.find(Key(Resolve(path)));
  return it == files_.end() ? std::vector<uint8_t>{} : it->second.bytes;
}

std::vector<std::string> FakePlatform::ListFiles() const {
  std::vector<std::string> all;
  for (const auto& entry : files_) all.push_back(entry.second.path);
  std::sort(all.begin(), all.end());
  return all;
}

std::vector<std::string> FakePlatform::ListFolder(const std::string& folder) const {
  std::string key = Key(Resolve(folder));
  std::vector<std::string> names;
  for (const auto& entry : files_)
    if (ParentKey(entry.first) == key)
      names.push_back(entry.second.path.substr(entry.second.path.find_last_of('\\') + 1));
  std::sort(names.begin(), names.end());
  return names;
}

bool FakePlatform::WildcardMatch(const std::string& pattern, const std::string& name) {
  // '*' any run, '?' one character; letters without regard to case.
  std::string p = Lower(pattern), n = Lower(name);
  size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      mark = ni;
    } else if (star != std::string::npos) {
      pi = star + 1;
      ni = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

// --- folders and names --------------------------------------------------------

bool FakePlatform::GetModulePath(TextRef out) { return PutText(out, modulePath); }
bool FakePlatform::GetTempFolder(TextRef out) { return PutText(out, tempFolder); }
bool FakePlatform::GetWindowsFolder(TextRef out) { return PutText(out, windowsFolder); }
bool FakePlatform::GetSystemFolder(TextRef out) { return PutText(out, systemFolder); }

bool FakePlatform::SetCurrentFolder(const char* path) {
  std::string full = Resolve(path);
  if (!FolderExists(Key(full))) return false;
  currentFolder = full;
  events.push_back("chdir " + full);
  return true;
}

// --- files ---------------------------------------------------------------------

FileHandle FakePlatform::OpenForReading(const char* path) {
  std::string key = Key(Resolve(path));
  auto it = files_.find(key);
  if (it == files_.end() || !it->second.readable || it->second.locked) return nullptr;
  int id = nextHandle_++;
  open_[id] = OpenFile{key, false, 0};
  ++openFiles;
  return AsHandle(id);
}

FileHandle FakePlatform::OpenForWriting(const char* path, WriteMode) {
  std::string full = Resolve(path);
  std::string key = Key(full);
  if (!FolderExists(ParentKey(key)) || FolderExists(key)) return nullptr;
  auto it = files_.find(key);
  if (it != files_.end()) {
    if (it->second.readOnly || it->second.locked) return nullptr;
    it->second.bytes.clear();
  } else {
    files_[key].path = full;
  }
  int id = nextHandle_++;
  open_[id] = OpenFile{key, true, 0};
  ++openFiles;
  events.push_back("create " + full);
  return AsHandle(id);
}

u32 FakePlatform::ReadFile(FileHandle file, void* into, u32 count) {
  auto it = open_.find(AsId(file));
  if (it == open_.end() || it->second.writing) return 0;
  const std::vector<uint8_t>& bytes = files_[it->second.key].bytes;
  size_t at = it->second.position;
  size_t n = at >= bytes.size() ? 0 : std::min<size_t>(count, bytes.size() - at);
  if (n) std::memcpy(into, bytes.data() + at, n);
  it->second.position += n;
  return static_cast<u32>(n);
}

bool FakePlatform::WriteFile(FileHandle file, const void* bytes, u32 count) {
  auto it = open_.find(AsId(file));
  if (it == open_.end() || !it->second.writing) return false;
  std::vector<uint8_t>& content = files_[it->second.key].bytes;
  const uint8_t* from = static_cast<const uint8_t*>(bytes);
  content.insert(content.end(), from, from + count);
  return true;
}

bool FakePlatform::SeekFile(FileHandle file, u32 offset) {
  auto it = open_.find(AsId(file));
  if (it == open_.end()) return false;
  if (offset > files_[it->second.key].bytes.size()) return false;
  it->second.position = offset;
  return true;
}

void FakePlatform::CloseFile(FileHandle file) {
  if (open_.erase(AsId(file))) --openFiles;
}

bool FakePlatform::CopyFile(const char* from, const char* to, bool failIfExists) {
  std::string source = Key(Resolve(from));
  std::string destFull = Resolve(to);
  std::string dest = Key(destFull);
  auto it = files_.find(source);
  if (it == files_.end() || !it->second.readable || it->second.locked) return false;
  if (!FolderExists(ParentKey(dest)) || FolderExists(dest)) return false;
  auto existing = files_.find(dest);
  if (existing != files_.end()) {
    if (failIfExists || existing->second.readOnly || existing->second.locked) return false;
  }
  std::vector<uint8_t> bytes = it->second.bytes;
  File& copy = files_[dest];
  if (copy.path.empty()) copy.path = destFull;
  copy.bytes = bytes;
  events.push_back("copy " + std::string(from) + " -> " + destFull);
  return true;
}

bool FakePlatform::DeleteFile(const char* path) {
  std::string full = Resolve(path);
  auto it = files_.find(Key(full));
  if (it == files_.end() || it->second.readOnly || it->second.locked) return false;
  files_.erase(it);
  events.push_back("delete " + full);
  return true;
}

FindHandle FakePlatform::FindFirst(const char* pattern, TextRef name) {
  std::string full = Resolve(pattern);
  size_t slash = full.find_last_of('\\');
  std::string folderKey = Key(full.substr(0, slash + 1));
  std::string wildcard = full.substr(slash + 1);
  Search search;
  for (const auto& entry : files_) {
    if (ParentKey(entry.first) != folderKey) continue;
    std::string fileName = entry.second.path.substr(entry.second.path.find_last_of('\\') + 1);
    if (WildcardMatch(wildcard, fileName)) search.names.push_back(fileName);
  }
  if (search.names.empty()) return nullptr;
  PutText(name, search.names[0]);
  search.next = 1;
  int id = nextHandle_++;
  searches_[id] = search;
  return AsHandle(id);
}

bool FakePlatform::FindNext(FindHandle search, TextRef name) {
  auto it = searches_.find(AsId(search));
  if (it == searches_.end() || it->second.next >= it->second.names.size()) return false;
  PutText(name, it->second.names[it->second.next++]);
  return true;
}

void FakePlatform::FindClose(FindHandle search) { searches_.erase(AsId(search)); }

// --- resources and expansion -----------------------------------------------------

bool FakePlatform::LoadResourceBytes(const char* type, const char* name, const u8** bytes,
                                     u32* size) {
  auto it = resources.find(Lower(type) + "/" + Lower(name));
  if (it == resources.end()) return false;
  *bytes = it->second.data();
  *size = static_cast<u32>(it->second.size());
  return true;
}

bool FakePlatform::ExpandFile(const char* folder, const char* sourceName, const char* destName) {
  std::string base = folder;
  if (!base.empty() && base.back() != '\\') base += '\\';
  events.push_back("expand " + base + sourceName + " -> " + destName);
  File* source = Find(base + sourceName);
  if (source == nullptr || !source->readable || source->locked) return false;
  std::vector<uint8_t> expanded;
  if (!expander(source->bytes, expanded)) return false;
  File* existing = Find(base + destName);
  if (existing != nullptr && existing->locked) return false;
  AddFile(base + destName, expanded);
  return true;
}

// --- processes -------------------------------------------------------------------------

ProcessHandle FakePlatform::StartProcess(const ProcessRequest& request) {
  Process process;
  process.applicationName = request.applicationName ? request.applicationName : "";
  process.commandLine = request.commandLine ? request.commandLine : "";
  process.inheritHandles = request.inheritHandles;
  process.creationFlags = request.creationFlags;
  process.startupFlags = request.startupFlags;
  process.showWindow = request.showWindow;
  process.currentFolder = currentFolder;
  std::string program = process.applicationName;
  if (program.empty()) program = process.commandLine.substr(0, process.commandLine.find(' '));
  events.push_back("start " + process.commandLine);
  File* file = Find(program);
  if (file == nullptr || !file->readable || file->locked) {
    events.push_back("start failed");
    return nullptr;
  }
  processes.push_back(process);
  if (onProcessStart) onProcessStart(*this, processes.back());
  return AsHandle(static_cast<int>(processes.size()));
}

void FakePlatform::WaitForProcess(ProcessHandle process) {
  size_t index = static_cast<size_t>(AsId(process)) - 1;
  if (index < processes.size()) processes[index].waitedFor = true;
  events.push_back("wait");
}

void FakePlatform::CloseProcess(ProcessHandle) {}

void FakePlatform::RunHidden(const char* commandLine) {
  Process process;
  process.commandLine = commandLine;
  process.hidden = true;
  process.currentFolder = currentFolder;
  processes.push_back(process);
  events.push_back(std::string("winexec ") + commandLine);
}

void FakePlatform::PostQuit(int exitCode) {
  quitPosted = exitCode;
  events.push_back("quit");
}

void FakePlatform::Sleep(u32 milliseconds) {
  sleptMilliseconds += milliseconds;
  events.push_back("sleep " + std::to_string(milliseconds));
}

// --- the dialog, dial-up and GDI ----------------------------------------------------

bool FakePlatform::RunAgreementDialog(AgreementSession& session) {
  events.push_back("dialog");
  if (!customer) return false;
  ++dialogsShown;
  customer(session);
  return true;
}

u32 FakePlatform::RasEnumConnections(const char* libraryPath, void* entries, u32* size,
                                     u32* count) {
  rasCalls.push_back(std::string("enum ") + libraryPath);
  events.push_back("ras enum");
  if (!rasLibraryPresent) return 1;
  // One entry in the caller's layout: dwSize, then the handle at the next
  // pointer-aligned offset.
  const u32 handleOffset = sizeof(void*) == 8 ? 8 : 4;
  u32 entrySize = *static_cast<u32*>(entries);
  if (rasConnections.size() * entrySize > *size) {
    *size = static_cast<u32>(rasConnections.size() * entrySize);
    return 603;  // ERROR_BUFFER_TOO_SMALL
  }
  for (size_t i = 0; i < rasConnections.size(); ++i) {
    std::memcpy(static_cast<uint8_t*>(entries) + i * entrySize + handleOffset, &rasConnections[i],
                sizeof(void*));
  }
  *count = static_cast<u32>(rasConnections.size());
  return 0;
}

u32 FakePlatform::RasHangUp(const char* libraryPath, void* connection) {
  rasCalls.push_back(std::string("hangup ") + libraryPath + " " +
                     std::to_string(reinterpret_cast<intptr_t>(connection)));
  events.push_back("ras hangup");
  return rasLibraryPresent ? 0 : 1;
}

GdiHandle FakePlatform::CreatePalette(const PaletteEntry* entries, u32 count) {
  lastPalette.assign(entries, entries + count);
  intptr_t id = nextHandle_++;
  gdi_.insert(id);
  ++liveGdiObjects;
  return reinterpret_cast<void*>(id);
}

void FakePlatform::DeleteGdiObject(GdiHandle object) {
  if (gdi_.erase(reinterpret_cast<intptr_t>(object))) --liveGdiObjects;
}

}  // namespace kit
