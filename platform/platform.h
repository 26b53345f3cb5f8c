// The seam between the launcher's logic and Windows.
//
// Everything the launch needs from the operating system goes through this
// one interface: files and folders, the find-first/next search, the
// launcher's own resources, the expansion of the compressed sign-up program,
// processes, the agreement dialog, the dial-up service and GDI handles.
// `platform/win32` implements it with the ANSI Win32 entry points; the tests
// use the in-memory world of `platform/fake`.
//
// Paths are zero-terminated 8-bit texts. Every query that fills a text
// reports false when the answer does not fit, so that no caller ever works
// with a silently shortened path.
#pragma once

#include "support/text.h"
#include "support/types.h"

// <windows.h> maps these names to their ANSI entry points; the seam's
// operations of the same names must keep theirs in every file.
#undef CopyFile
#undef DeleteFile

namespace kit {

struct AgreementSession;

using FileHandle = void*;     // null: not open
using FindHandle = void*;     // null: nothing found
using ProcessHandle = void*;  // null: not started
using GdiHandle = void*;      // null: none

// Process-creation and window-show values, as Windows defines them.
constexpr u32 kHighPriorityClass = 0x00000080;
constexpr u32 kStartfUseShowWindow = 0x00000001;
constexpr u16 kShowNormal = 1;
constexpr u16 kShowHidden = 0;

struct ProcessRequest {
  const char* applicationName = nullptr;  // null: first word of commandLine
  char* commandLine = nullptr;            // writable, as CreateProcessA wants
  bool inheritHandles = false;
  u32 creationFlags = 0;
  u32 startupFlags = 0;  // STARTUPINFOA.dwFlags
  u16 showWindow = 0;    // STARTUPINFOA.wShowWindow
};

// How a file made for writing is opened.
enum class WriteMode {
  kTemporaryExclusive,  // CreateFileA: GENERIC_WRITE, no sharing,
                        // CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY
  kPlain,               // a byte stream opened "wb"
};

// One palette entry as LOGPALETTE holds it.
struct PaletteEntry {
  u8 red, green, blue, flags;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Folders and names. Each ends in the form Windows gives it.
  virtual bool GetModulePath(TextRef out) = 0;   // GetModuleFileNameA
  virtual bool GetTempFolder(TextRef out) = 0;   // GetTempPathA: ends in '\'
  virtual bool GetWindowsFolder(TextRef out) = 0;
  virtual bool GetSystemFolder(TextRef out) = 0;
  virtual bool SetCurrentFolder(const char* path) = 0;

  // Files.
  virtual FileHandle OpenForReading(const char* path) = 0;
  virtual FileHandle OpenForWriting(const char* path, WriteMode mode) = 0;
  // Bytes read; 0 at the end of the file or on failure.
  virtual u32 ReadFile(FileHandle file, void* into, u32 count) = 0;
  virtual bool WriteFile(FileHandle file, const void* bytes, u32 count) = 0;
  // Moves to an absolute offset; false when it is beyond the end.
  virtual bool SeekFile(FileHandle file, u32 offset) = 0;
  virtual void CloseFile(FileHandle file) = 0;
  virtual bool CopyFile(const char* from, const char* to, bool failIfExists) = 0;
  virtual bool DeleteFile(const char* path) = 0;

  // The find-first/next search, with the system's wildcard rules. `name`
  // receives the found file's name without its folder.
  virtual FindHandle FindFirst(const char* pattern, TextRef name) = 0;
  virtual bool FindNext(FindHandle search, TextRef name) = 0;
  virtual void FindClose(FindHandle search) = 0;

  // The launcher's own resources; the bytes stay valid for the whole run.
  virtual bool LoadResourceBytes(const char* type, const char* name,
                                 const u8** bytes, u32* size) = 0;

  // Expands the SZDD file `sourceName` in `folder` to `destName` in the same
  // folder, replacing it (VerInstallFileA with VIFF_FORCEINSTALL).
  virtual bool ExpandFile(const char* folder, const char* sourceName,
                          const char* destName) = 0;

  // Processes.
  virtual ProcessHandle StartProcess(const ProcessRequest& request) = 0;
  virtual void WaitForProcess(ProcessHandle process) = 0;  // no time limit
  virtual void CloseProcess(ProcessHandle process) = 0;
  virtual void RunHidden(const char* commandLine) = 0;     // WinExec, SW_HIDE
  virtual void PostQuit(int exitCode) = 0;
  virtual void Sleep(u32 milliseconds) = 0;

  // The modal "SPLASH" dialog; false when it could not be created.
  virtual bool RunAgreementDialog(AgreementSession& session) = 0;

  // Remote Access Service, through the library at `libraryPath`, loaded for
  // this one call and freed after it. Results follow the RAS convention:
  // 0 for success, 1 when the library or its entry point cannot be found.
  virtual u32 RasEnumConnections(const char* libraryPath, void* entries,
                                 u32* size, u32* count) = 0;
  virtual u32 RasHangUp(const char* libraryPath, void* connection) = 0;

  // GDI: a logical palette (version 0x300) and its deletion.
  virtual GdiHandle CreatePalette(const PaletteEntry* entries, u32 count) = 0;
  virtual void DeleteGdiObject(GdiHandle object) = 0;
};

}  // namespace kit
