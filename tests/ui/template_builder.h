// Builds dialog templates (DLGTEMPLATE and DLGTEMPLATEEX) byte by byte from a
// description, independently of the code under test, and places bytes flush
// against an inaccessible page so that any read past them faults.
#ifndef TESTS_UI_TEMPLATE_BUILDER_H_
#define TESTS_UI_TEMPLATE_BUILDER_H_

#include <windows.h>

#include <string>
#include <vector>

namespace ui_test {

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
// first byte. `itemOffsets`, when given, receives where each item starts.
Bytes BuildTemplate(const TemplateShape& shape, std::vector<size_t>* itemOffsets = nullptr);

// Two pages, the second inaccessible. Place copies bytes so that their last
// byte is the last accessible one.
class GuardedBytes {
 public:
  GuardedBytes();
  ~GuardedBytes();
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  // Up to one page of bytes; returns where they start.
  const BYTE* Place(const BYTE* bytes, size_t size);
  const BYTE* Place(const Bytes& bytes) { return Place(bytes.data(), bytes.size()); }
  // The first inaccessible byte.
  const BYTE* Limit() const { return base + page; }

 private:
  BYTE* base;
  size_t page;
};

}  // namespace ui_test

#endif  // TESTS_UI_TEMPLATE_BUILDER_H_
