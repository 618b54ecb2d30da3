#include "ui/template_builder.h"

#include <string.h>

namespace ui_test {

namespace {

void PutWord(Bytes* out, WORD value) { out->insert(out->end(), {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8)}); }

void PutDword(Bytes* out, DWORD value) {
  PutWord(out, static_cast<WORD>(value));
  PutWord(out, static_cast<WORD>(value >> 16));
}

void PutString(Bytes* out, const std::string& text) {
  for (char c : text) PutWord(out, static_cast<unsigned char>(c));
  PutWord(out, 0);
}

void PutField(Bytes* out, const Field& field) {
  if (!field.isOrdinal) return PutString(out, field.text);
  PutWord(out, 0xFFFF);
  PutWord(out, field.ordinal);
}

}  // namespace

TemplateShape DefaultShape(bool extended) {
  return TemplateShape{
      extended, DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, Field::Text(""), Field::Text(""),
      Field::Text("Dialog"), 8, 0, 0, 0, "MS Sans Serif",
      {{WS_CHILD | WS_VISIBLE | WS_TABSTOP, 1000, 315, 210, 60, 14, Field::Ordinal(0x80), Field::Text("Button1"), ""},
       {WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 1004, 5, 204, 371, 1, Field::Ordinal(0x82), Field::Text(""), ""},
       {WS_CHILD | WS_VISIBLE, 1005, 125, 191, 250, 7, Field::Text("msctls_progress32"), Field::Text("Progress1"),
        ""}}};
}

Bytes BuildTemplate(const TemplateShape& shape) {
  Bytes out;
  // dlgVer 1, signature, helpID, exStyle, style / style, exStyle
  for (DWORD v : shape.extended ? std::vector<DWORD>{0xFFFF0001, 0, 0, shape.style} : std::vector<DWORD>{shape.style, 0})
    PutDword(&out, v);
  for (WORD v : {static_cast<WORD>(shape.items.size()), WORD(0), WORD(0), WORD(382), WORD(230)}) PutWord(&out, v);
  PutField(&out, shape.menu);
  PutField(&out, shape.windowClass);
  PutField(&out, shape.title);
  if (shape.style & DS_SETFONT) {
    PutWord(&out, shape.points);
    if (shape.extended) {
      PutWord(&out, shape.weight);
      out.push_back(shape.italic);
      out.push_back(shape.charset);
    }
    PutString(&out, shape.face);
  }
  for (const ItemShape& item : shape.items) {
    out.resize((out.size() + 3) & ~size_t(3), 0);
    // helpID, exStyle, style / style, exStyle
    for (DWORD v : shape.extended ? std::vector<DWORD>{0, 0, item.style} : std::vector<DWORD>{item.style, 0})
      PutDword(&out, v);
    for (short v : {item.x, item.y, item.cx, item.cy}) PutWord(&out, static_cast<WORD>(v));
    shape.extended ? PutDword(&out, item.id) : PutWord(&out, item.id);
    PutField(&out, item.windowClass);
    PutField(&out, item.title);
    PutWord(&out, static_cast<WORD>(item.creationData.size()));
    out.insert(out.end(), item.creationData.begin(), item.creationData.end());
  }
  return out;
}

}  // namespace ui_test
