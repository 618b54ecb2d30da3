// Builds dialog templates (DLGTEMPLATE and DLGTEMPLATEEX) byte by byte from a
// description, independently of the code under test.
#ifndef TESTS_UI_TEMPLATE_BUILDER_H_
#define TESTS_UI_TEMPLATE_BUILDER_H_

#include <windows.h>

#include <string>
#include <vector>

#include "support/guarded_bytes.h"

namespace ui_test {

using testing_support::GuardedBytes;

typedef std::vector<BYTE> Bytes;

// A menu, class or title field: an ordinal, or an ASCII string ("" is the
// one-unit empty string).
struct Field {
  bool isOrdinal;
  WORD ordinal;
  std::string text;

  static Field Ordinal(WORD value) { return Field{true, value, ""}; }
  static Field Text(const std::string& value) { return Field{false, 0, value}; }
};

struct ItemShape {
  DWORD style;
  WORD id;
  short x, y, cx, cy;
  Field windowClass;
  Field title;
  std::string creationData;  // bytes behind the count WORD
};

struct TemplateShape {
  bool extended;
  DWORD style;
  Field menu;
  Field windowClass;
  Field title;
  WORD points;
  WORD weight;     // extended only
  BYTE italic;     // extended only
  BYTE charset;    // extended only
  std::string face;
  std::vector<ItemShape> items;
};

// The installer-like default: DS_SETFONT popup, no menu, standard class,
// caption "Dialog", "MS Sans Serif" 8, and three items (two buttons, one static).
TemplateShape DefaultShape(bool extended);

// The template's bytes; item templates start at DWORD boundaries from the
// first byte.
Bytes BuildTemplate(const TemplateShape& shape);

}  // namespace ui_test

#endif  // TESTS_UI_TEMPLATE_BUILDER_H_
