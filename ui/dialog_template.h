// Byte-level reading and rewriting of dialog templates (DLGTEMPLATE and
// DLGTEMPLATEEX): where the font lies, and a copy with another font face.
// Pure: no platform calls, every read bounded by the template's size.
#ifndef UI_DIALOG_TEMPLATE_H_
#define UI_DIALOG_TEMPLATE_H_

#include <windows.h>

// Where the font block of a template lies. Offsets count from the
// template's first byte.
struct DialogFontLayout {
  int extended;           // 1 for DLGTEMPLATEEX, 0 for DLGTEMPLATE
  DWORD pointSizeOffset;  // the point-size WORD
  DWORD faceOffset;       // first UTF-16 unit of the face name
  DWORD faceChars;        // units of the face name, terminator excluded
  DWORD itemsOffset;      // first DWORD boundary behind the face's terminator
};

// Walks the `size` bytes at `bytes` as a dialog template: header, menu,
// class, title, font block and every item template that the header counts.
// 1 when the template carries DS_SETFONT and all of it lies within `size`;
// then `layout` is filled. 0 for a template without a font or one that is
// truncated or malformed (a field without terminator, an item past the end,
// a DLGTEMPLATEEX whose dlgVer is not 1); nothing outside the `size` bytes is
// read.
int LocateDialogFont(const BYTE* bytes, DWORD size, DialogFontLayout* layout);

// 1 when the template's face equals `face` (ASCII, case-sensitive).
int DialogFaceIs(const BYTE* bytes, const DialogFontLayout& layout, const char* face);

// A copy of the template with the face replaced by the `faceChars` UTF-16
// units at `face` (terminator added) and the point size set to `points`.
// Everything before the face is copied unchanged (for DLGTEMPLATEEX that
// keeps weight, italic and character set); the item templates move to the
// first DWORD boundary behind the new face. The copy has `size` + 2 *
// (new - old face units) + 4 bytes, zero-filled, from malloc: the caller
// frees it with free(). Its size goes to `copySize` when that is not null.
// Null when memory runs out.
BYTE* RewriteDialogFont(const BYTE* bytes, DWORD size, const DialogFontLayout& layout,
                        const WCHAR* face, DWORD faceChars, WORD points, DWORD* copySize);

#endif  // UI_DIALOG_TEMPLATE_H_
