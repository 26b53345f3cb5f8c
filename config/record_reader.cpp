#include "config/record_reader.h"

#include "support/bytes.h"

namespace kit {
namespace {

constexpr u8 kLongTextEscape = 0xFF;

u32 LittleEndian(const u8* bytes, u32 count) {
  u32 value = 0;
  for (u32 i = count; i > 0; --i) value = (value << 8) | bytes[i - 1];
  return value;
}

}  // namespace

bool OidText::Is(const char* text) const {
  return TextLength(text) == length && SameBytes(chars, text, length);
}

u32 ReadOidNumber(OidCursor& cursor) {
  const u8* bytes;
  return cursor.Take(4, &bytes) ? LittleEndian(bytes, 4) : 0;
}

u32 ReadOidFlag(OidCursor& cursor) {
  const u8* bytes;
  return cursor.Take(4, &bytes) && bytes[0] != 0 ? 1 : 0;
}

bool TakeOidText(OidCursor& cursor, OidText* text) {
  *text = OidText();
  const u8* bytes;
  if (!cursor.Take(1, &bytes)) return false;
  u32 length = bytes[0];
  if (length == kLongTextEscape) {
    if (!cursor.Take(2, &bytes)) return false;
    length = LittleEndian(bytes, 2);
  }
  if (!cursor.Take(length, &bytes)) return false;
  // A zero byte ends the value; the cursor has moved past all the bytes.
  u32 delivered = 0;
  while (delivered < length && bytes[delivered] != 0) ++delivered;
  text->chars = reinterpret_cast<const char*>(bytes);
  text->length = delivered;
  if (text->Is("blank")) *text = OidText();
  return true;
}

bool ReadOidText(OidCursor& cursor, TextRef destination) {
  OidText text;
  bool whole = TakeOidText(cursor, &text);
  destination.Clear();
  destination.AssignCut(text.chars, text.length);
  return whole;
}

}  // namespace kit
