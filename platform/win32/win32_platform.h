// The seam implemented with the ANSI Win32 entry points.
#pragma once

#include "platform/platform.h"

namespace kit {

class Win32Platform final : public Platform {
 public:
  explicit Win32Platform(void* instance) : instance_(instance) {}

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

  void* Instance() const { return instance_; }

 private:
  void* instance_;
};

}  // namespace kit
