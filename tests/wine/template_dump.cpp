// Prints the "SPLASH" dialog template (English, United States) and the
// application icon of a program as JSON, for the end-to-end tests:
//   template_dump.exe launcher.exe
// Exit code 0 when both were found, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Reader {
  const BYTE* at;
  const BYTE* end;

  bool Fits(size_t n) const { return static_cast<size_t>(end - at) >= n; }
  WORD Word() {
    WORD v = 0;
    if (Fits(2)) {
      v = static_cast<WORD>(at[0] | at[1] << 8);
      at += 2;
    } else {
      at = end;
    }
    return v;
  }
  DWORD Dword() {
    DWORD low = Word();
    return low | static_cast<DWORD>(Word()) << 16;
  }
  void AlignTo4(const BYTE* base) {
    while ((at - base) % 4 != 0 && at < end) ++at;
  }
  std::string Text() {  // zero-terminated UTF-16, shown as ASCII
    std::string out;
    for (WORD c = Word(); c != 0 && at < end; c = Word()) out += c < 0x80 ? char(c) : '?';
    return out;
  }
  // A name or an ordinal (0xFFFF then the number), as JSON.
  std::string NameOrOrdinal() {
    if (Fits(2) && at[0] == 0xFF && at[1] == 0xFF) {
      Word();
      return std::to_string(Word());
    }
    if (Fits(2) && at[0] == 0 && at[1] == 0) {
      Word();
      return "null";
    }
    return "\"" + Text() + "\"";
  }
};

std::string Quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool DumpTemplate(HMODULE module) {
  HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(5), "SPLASH",
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  if (found == nullptr) {
    std::printf("null");
    return false;
  }
  const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  Reader r{bytes, bytes + SizeofResource(module, found)};
  WORD version = r.Word();
  WORD signature = r.Word();
  DWORD helpId = r.Dword();
  DWORD exStyle = r.Dword();
  DWORD style = r.Dword();
  WORD items = r.Word();
  short x = r.Word(), y = r.Word(), cx = r.Word(), cy = r.Word();
  std::string menu = r.NameOrOrdinal();
  std::string windowClass = r.NameOrOrdinal();
  std::string title = r.Text();
  std::printf(
      "{\"version\":%u,\"signature\":%u,\"helpId\":%lu,\"exStyle\":%lu,"
      "\"style\":%lu,"
      "\"x\":%d,\"y\":%d,\"cx\":%d,\"cy\":%d,\"menu\":%s,\"class\":%s,"
      "\"title\":%s",
      version, signature, helpId, exStyle, style, x, y, cx, cy, menu.c_str(), windowClass.c_str(),
      Quoted(title).c_str());
  if (style & DS_SETFONT) {
    WORD points = r.Word();
    WORD weight = r.Word();
    WORD italicAndCharset = r.Word();
    std::string face = r.Text();
    std::printf(
        ",\"font\":{\"points\":%u,\"weight\":%u,\"italic\":%u,\"charset\":%u,"
        "\"face\":%s}",
        points, weight, italicAndCharset & 0xFF, italicAndCharset >> 8, Quoted(face).c_str());
  }
  std::printf(",\"controls\":[");
  for (WORD i = 0; i < items; ++i) {
    r.AlignTo4(bytes);
    DWORD itemHelp = r.Dword();
    DWORD itemExStyle = r.Dword();
    DWORD itemStyle = r.Dword();
    short ix = r.Word(), iy = r.Word(), icx = r.Word(), icy = r.Word();
    long id = static_cast<long>(r.Dword());
    std::string itemClass = r.NameOrOrdinal();
    std::string text = r.NameOrOrdinal();
    WORD extra = r.Word();
    r.at += extra <= r.end - r.at ? extra : r.end - r.at;
    std::printf(
        "%s{\"helpId\":%lu,\"exStyle\":%lu,\"style\":%lu,\"x\":%d,\"y\":%d,"
        "\"cx\":%d,\"cy\":%d,\"id\":%ld,\"class\":%s,\"text\":%s,\"extra\":%u}",
        i ? "," : "", itemHelp, itemExStyle, itemStyle, ix, iy, icx, icy, id, itemClass.c_str(),
        text.c_str(), extra);
  }
  std::printf("]}");
  return true;
}

// The first icon group, as Explorer picks it: each image's size and colours.
HRSRC g_iconGroup = nullptr;
BOOL CALLBACK FirstGroup(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR) {
  g_iconGroup = FindResourceA(module, name, type);
  return FALSE;
}

bool DumpIcons(HMODULE module) {
  EnumResourceNamesA(module, MAKEINTRESOURCEA(14), FirstGroup, 0);
  if (g_iconGroup == nullptr) {
    std::printf(",\"icons\":null");
    return false;
  }
  const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, g_iconGroup)));
  Reader r{bytes, bytes + SizeofResource(module, g_iconGroup)};
  r.Word();
  r.Word();
  WORD count = r.Word();
  std::printf(",\"icons\":[");
  for (WORD i = 0; i < count; ++i) {
    WORD widthHeight = r.Word();
    WORD colorsReserved = r.Word();
    WORD planes = r.Word();
    WORD bitCount = r.Word();
    r.Dword();  // bytes
    r.Word();   // resource id
    std::printf(
        "%s{\"width\":%u,\"height\":%u,\"colors\":%u,\"planes\":%u,"
        "\"bitCount\":%u}",
        i ? "," : "", widthHeight & 0xFF, widthHeight >> 8, colorsReserved & 0xFF, planes,
        bitCount);
  }
  std::printf("]");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  HMODULE module = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return 1;
  std::printf("{\"template\":");
  bool ok = DumpTemplate(module);
  ok = DumpIcons(module) && ok;
  std::printf("}\n");
  return ok ? 0 : 1;
}
