// An in-memory Windows for the tests: files and folders with Windows path
// rules (backslashes, drive letters, names compared without regard to case,
// wildcards), the launcher's resources, and a record of every process,
// dialog, dial-up call and GDI handle the launch asks for.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kit {

class FakePlatform : public Platform {
 public:
  struct File {
    std::string path;  // as first created
    std::vector<uint8_t> bytes;
    bool readable = true;   // false: cannot be opened for reading
    bool readOnly = false;  // cannot be written, replaced or deleted
    bool locked = false;    // held open by another process: no access at all
  };

  struct Process {
    std::string applicationName;  // empty when none was given
    std::string commandLine;
    bool inheritHandles = false;
    uint32_t creationFlags = 0;
    uint32_t startupFlags = 0;
    uint16_t showWindow = 0;
    std::string currentFolder;
    bool hidden = false;  // started with WinExec and SW_HIDE
    bool waitedFor = false;
  };

  FakePlatform();

  // --- the world -----------------------------------------------------------
  std::string modulePath = "C:\\KIT\\setup.exe";
  std::string tempFolder = "C:\\WINDOWS\\TEMP\\";
  std::string windowsFolder = "C:\\WINDOWS";
  std::string systemFolder = "C:\\WINDOWS\\SYSTEM";
  std::string currentFolder = "C:\\";

  void AddFolder(const std::string& path);
  File& AddFile(const std::string& path, const std::vector<uint8_t>& bytes = {});
  File& AddFile(const std::string& path, const std::string& text);
  bool Exists(const std::string& path) const;
  File* Find(const std::string& path);
  std::vector<uint8_t> Bytes(const std::string& path) const;
  // Full paths of every file, in the case they were created, sorted.
  std::vector<std::string> ListFiles() const;
  std::vector<std::string> ListFolder(const std::string& folder) const;

  std::map<std::string, std::vector<uint8_t>> resources;  // "TYPE/NAME"

  // Turns the SZDD bytes of a compressed file into its expanded content;
  // false when they are not a valid compressed file. The default expands SZDD
  // data with the kit's codec and copies anything else unchanged.
  std::function<bool(const std::vector<uint8_t>&, std::vector<uint8_t>&)> expander;

  // Called when a process is started (after it is recorded), to act as the
  // program: it may look at and change the world.
  std::function<void(FakePlatform&, const Process&)> onProcessStart;
  // Acts as the customer in the agreement dialog. Without it, the dialog
  // cannot be created.
  std::function<void(AgreementSession&)> customer;

  // Dial-up connections that the fake service reports, and whether its
  // library is in the system folder.
  std::vector<void*> rasConnections;
  bool rasLibraryPresent = true;

  // --- what happened -------------------------------------------------------
  std::vector<Process> processes;   // in the order started
  std::vector<std::string> events;  // "start", "wait", "winexec", "dialog", ...
  std::vector<std::string> rasCalls;
  uint32_t sleptMilliseconds = 0;
  int quitPosted = -1;
  int openFiles = 0;
  int liveGdiObjects = 0;
  int dialogsShown = 0;

  // --- the seam --------------------------------------------------------------
  bool GetModulePath(TextRef out) override;
  bool GetTempFolder(TextRef out) override;
  bool GetWindowsFolder(TextRef out) override;
  bool GetSystemFolder(TextRef out) override;
  bool SetCurrentFolder(const char* path) override;

  FileHandle OpenForReading(const char* path) override;
  FileHandle OpenForWriting(const char* path, WriteMode mode) override;
  u32 ReadFile(FileHandle file, void* into, u32 count) override;
  bool WriteFile(FileHandle file, const void* bytes, u32 count) override;
  bool SeekFile(FileHandle file, u32 offset) override;
  void CloseFile(FileHandle file) override;
  bool CopyFile(const char* from, const char* to, bool failIfExists) override;
  bool DeleteFile(const char* path) override;

  FindHandle FindFirst(const char* pattern, TextRef name) override;
  bool FindNext(FindHandle search, TextRef name) override;
  void FindClose(FindHandle search) override;

  bool LoadResourceBytes(const char* type, const char* name, const u8** bytes,
                         u32* size) override;
  bool ExpandFile(const char* folder, const char* sourceName,
                  const char* destName) override;

  ProcessHandle StartProcess(const ProcessRequest& request) override;
  void WaitForProcess(ProcessHandle process) override;
  void CloseProcess(ProcessHandle process) override;
  void RunHidden(const char* commandLine) override;
  void PostQuit(int exitCode) override;
  void Sleep(u32 milliseconds) override;

  bool RunAgreementDialog(AgreementSession& session) override;

  u32 RasEnumConnections(const char* libraryPath, void* entries, u32* size,
                         u32* count) override;
  u32 RasHangUp(const char* libraryPath, void* connection) override;

  GdiHandle CreatePalette(const PaletteEntry* entries, u32 count) override;
  void DeleteGdiObject(GdiHandle object) override;

  // The entries of the last palette made.
  std::vector<PaletteEntry> lastPalette;

  // Windows path rules.
  static std::string Key(const std::string& path);  // case-folded, absolute
  static bool WildcardMatch(const std::string& pattern, const std::string& name);

 private:
  struct OpenFile {
    std::string key;
    bool writing = false;
    size_t position = 0;
  };
  struct Search {
    std::vector<std::string> names;
    size_t next = 0;
  };

  std::string Resolve(const std::string& path) const;  // relative to current
  bool FolderExists(const std::string& key) const;
  static std::string ParentKey(const std::string& key);

  std::map<std::string, File> files_;  // by Key()
  std::set<std::string> folders_;      // by Key(), without trailing '\'
  std::map<int, OpenFile> open_;
  std::map<int, Search> searches_;
  int nextHandle_ = 1;
  std::set<intptr_t> gdi_;
};

}  // namespace kit
