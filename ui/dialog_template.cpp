#include "ui/dialog_template.h"

#include <stdlib.h>
#include <string.h>

namespace {

const DWORD kClassicHeaderSize = 18;   // style, exStyle, cdit, x, y, cx, cy
const DWORD kExtendedHeaderSize = 26;  // dlgVer .. cy
const DWORD kClassicItemHeaderSize = 18;
const DWORD kExtendedItemHeaderSize = 24;
// Largest template we rewrite; keeps every size computation far from overflow.
const DWORD kMaxTemplateSize = 0x1000000;

DWORD AlignWord(DWORD offset) { return (offset + 1) & ~1u; }
DWORD AlignDword(DWORD offset) { return (offset + 3) & ~3u; }

// Reads within the template's size only; every read reports whether the
// bytes were there.
class TemplateReader {
 public:
  TemplateReader(const BYTE* bytes, DWORD size) : bytes(bytes), size(size) {}

  int Fits(DWORD offset, DWORD count) const { return offset <= size && size - offset >= count; }

  int Word(DWORD offset, WORD* value) const {
    if (!Fits(offset, 2)) return 0;
    memcpy(value, bytes + offset, 2);
    return 1;
  }

  int Dword(DWORD offset, DWORD* value) const {
    if (!Fits(offset, 4)) return 0;
    memcpy(value, bytes + offset, 4);
    return 1;
  }

  // A NUL-terminated UTF-16 string at *offset: moves past the terminator and
  // gives the number of units before it.
  int SkipString(DWORD* offset, DWORD* units) const {
    DWORD at = *offset;
    WORD unit;
    for (DWORD count = 0;; ++count, at += 2) {
      if (!Word(at, &unit)) return 0;
      if (unit == 0) {
        if (units) *units = count;
        *offset = at + 2;
        return 1;
      }
    }
  }

  // A menu, class or title field: 0xFFFF and an ordinal, or a string.
  int SkipField(DWORD* offset) const {
    WORD first;
    if (!Word(*offset, &first)) return 0;
    if (first == 0xFFFF) {
      if (!Fits(*offset, 4)) return 0;
      *offset += 4;
      return 1;
    }
    return SkipString(offset, nullptr);
  }

  // One item template at the DWORD boundary at or after *offset.
  int SkipItem(DWORD* offset, int extended) const {
    DWORD at = AlignDword(*offset);
    DWORD header = extended ? kExtendedItemHeaderSize : kClassicItemHeaderSize;
    if (!Fits(at, header)) return 0;
    at += header;
    if (!SkipField(&at) || !SkipField(&at)) return 0;
    // Creation data: a WORD count of the bytes that follow it.
    WORD extra;
    if (!Word(at, &extra)) return 0;
    at += 2;
    if (!Fits(at, extra)) return 0;
    *offset = at + extra;
    return 1;
  }

 private:
  const BYTE* bytes;
  DWORD size;
};

}  // namespace

int LocateDialogFont(const BYTE* bytes, DWORD size, DialogFontLayout* layout) {
  if (!bytes || size > kMaxTemplateSize) return 0;
  TemplateReader reader(bytes, size);
  WORD version, signature;
  if (!reader.Word(0, &version) || !reader.Word(2, &signature)) return 0;
  int extended = signature == 0xFFFF;
  // The platform reads a DLGTEMPLATEEX of another version as a DLGTEMPLATE
  // whose style has 0xFFFF in its high word: no layout to rewrite.
  if (extended && version != 1) return 0;

  DWORD style;
  WORD itemCount;
  if (!reader.Dword(extended ? 12 : 0, &style) || !reader.Word(extended ? 16 : 8, &itemCount))
    return 0;
  if (!(style & DS_SETFONT)) return 0;

  DWORD at = extended ? kExtendedHeaderSize : kClassicHeaderSize;
  if (!reader.Fits(at, 0)) return 0;
  for (int field = 0; field < 3; ++field)  // menu, class, title
    if (!reader.SkipField(&at)) return 0;

  DialogFontLayout found;
  found.extended = extended;
  found.pointSizeOffset = AlignWord(at);
  // Point size; a DLGTEMPLATEEX adds weight (WORD), italic and charset (BYTEs).
  at = found.pointSizeOffset + (extended ? 6 : 2);
  if (!reader.Fits(found.pointSizeOffset, at - found.pointSizeOffset)) return 0;
  found.faceOffset = at;
  if (!reader.SkipString(&at, &found.faceChars)) return 0;
  found.itemsOffset = AlignDword(at);

  for (WORD item = 0; item < itemCount; ++item)
    if (!reader.SkipItem(&at, extended)) return 0;

  *layout = found;
  return 1;
}

int DialogFaceIs(const BYTE* bytes, const DialogFontLayout& layout, const char* face) {
  size_t length = strlen(face);
  if (length != layout.faceChars) return 0;
  for (size_t i = 0; i < length; ++i) {
    WORD unit;
    memcpy(&unit, bytes + layout.faceOffset + 2 * i, 2);
    if (unit != static_cast<unsigned char>(face[i])) return 0;
  }
  return 1;
}

BYTE* RewriteDialogFont(const BYTE* bytes, DWORD size, const DialogFontLayout& layout,
                        const WCHAR* face, DWORD faceChars, WORD points, DWORD* copySize) {
  if (size > kMaxTemplateSize || faceChars > 0xFFFF || layout.faceOffset > size) return nullptr;
  DWORD total = size + 2 * faceChars - 2 * layout.faceChars + 4;
  DWORD itemsAt = AlignDword(layout.faceOffset + 2 * (faceChars + 1));
  DWORD itemBytes = layout.itemsOffset < size ? size - layout.itemsOffset : 0;
  // The alignment shift never exceeds the 4 spare bytes; checked all the same.
  if (itemsAt > total || total - itemsAt < itemBytes) return nullptr;

  BYTE* copy = static_cast<BYTE*>(calloc(total, 1));
  if (!copy) return nullptr;
  memcpy(copy, bytes, layout.faceOffset);
  memcpy(copy + layout.faceOffset, face, 2 * faceChars);  // the terminator is already zero
  memcpy(copy + itemsAt, bytes + layout.itemsOffset, itemBytes);
  memcpy(copy + layout.pointSizeOffset, &points, 2);
  if (copySize) *copySize = total;
  return copy;
}
