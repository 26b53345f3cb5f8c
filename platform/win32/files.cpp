// Files, folders and the find-first/next search.
#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace kit {
namespace {

// Windows reports the length it wrote, or the size it needs when the buffer
// is too small; either way a result that fills the buffer did not fit.
bool Fits(DWORD written, TextRef out) {
  if (written == 0 || written >= out.Capacity()) {
    out.Clear();
    return false;
  }
  return true;
}

}  // namespace

bool Win32Platform::GetModulePath(TextRef out) {
  out.Clear();
  return Fits(GetModuleFileNameA(nullptr, out.Data(), out.Size()), out);
}

bool Win32Platform::GetTempFolder(TextRef out) {
  out.Clear();
  return Fits(GetTempPathA(out.Size(), out.Data()), out);
}

bool Win32Platform::GetWindowsFolder(TextRef out) {
  out.Clear();
  return Fits(GetWindowsDirectoryA(out.Data(), out.Size()), out);
}

bool Win32Platform::GetSystemFolder(TextRef out) {
  out.Clear();
  return Fits(GetSystemDirectoryA(out.Data(), out.Size()), out);
}

bool Win32Platform::SetCurrentFolder(const char* path) {
  return SetCurrentDirectoryA(path) != 0;
}

FileHandle Win32Platform::OpenForReading(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

FileHandle Win32Platform::OpenForWriting(const char* path, WriteMode mode) {
  DWORD share = mode == WriteMode::kTemporaryExclusive ? 0 : FILE_SHARE_READ;
  DWORD attributes =
      mode == WriteMode::kTemporaryExclusive ? FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL;
  HANDLE file =
      CreateFileA(path, GENERIC_WRITE, share, nullptr, CREATE_ALWAYS, attributes, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

u32 Win32Platform::ReadFile(FileHandle file, void* into, u32 count) {
  DWORD read = 0;
  if (!::ReadFile(static_cast<HANDLE>(file), into, count, &read, nullptr)) return 0;
  return read;
}

bool Win32Platform::WriteFile(FileHandle file, const void* bytes, u32 count) {
  DWORD written = 0;
  return ::WriteFile(static_cast<HANDLE>(file), bytes, count, &written, nullptr) &&
         written == count;
}

bool Win32Platform::SeekFile(FileHandle file, u32 offset) {
  HANDLE handle = static_cast<HANDLE>(file);
  DWORD size = GetFileSize(handle, nullptr);
  if (size == INVALID_FILE_SIZE || offset > size) return false;
  return SetFilePointer(handle, static_cast<LONG>(offset), nullptr, FILE_BEGIN) !=
         INVALID_SET_FILE_POINTER;
}

void Win32Platform::CloseFile(FileHandle file) { CloseHandle(static_cast<HANDLE>(file)); }

bool Win32Platform::CopyFile(const char* from, const char* to, bool failIfExists) {
  return CopyFileA(from, to, failIfExists ? TRUE : FALSE) != 0;
}

bool Win32Platform::DeleteFile(const char* path) { return DeleteFileA(path) != 0; }

FindHandle Win32Platform::FindFirst(const char* pattern, TextRef name) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return nullptr;
  name.Clear();
  name.Assign(found.cFileName);
  return search;
}

bool Win32Platform::FindNext(FindHandle search, TextRef name) {
  WIN32_FIND_DATAA found;
  if (!FindNextFileA(static_cast<HANDLE>(search), &found)) return false;
  name.Clear();
  name.Assign(found.cFileName);
  return true;
}

void Win32Platform::FindClose(FindHandle search) { ::FindClose(static_cast<HANDLE>(search)); }

bool Win32Platform::LoadResourceBytes(const char* type, const char* name, const u8** bytes,
                                      u32* size) {
  HMODULE module = static_cast<HMODULE>(instance_);
  HRSRC found = FindResourceA(module, name, type);
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return false;
  const void* locked = LockResource(loaded);
  if (locked == nullptr) return false;
  *bytes = static_cast<const u8*>(locked);
  *size = SizeofResource(module, found);
  return true;
}

}  // namespace kit
