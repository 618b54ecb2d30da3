#include "ui/template_builder.h"

#include <string.h>

namespace ui_test {

namespace {

void PutWord(Bytes* out, WORD value) {
  out->push_back(static_cast<BYTE>(value & 0xFF));
  out->push_back(static_cast<BYTE>(value >> 8));
}

void PutDword(Bytes* out, DWORD value) {
  PutWord(out, static_cast<WORD>(value & 0xFFFF));
  PutWord(out, static_cast<WORD>(value >> 16));
}

void PutString(Bytes* out, const std::string& text) {
  for (char c : text) PutWord(out, static_cast<unsigned char>(c));
  PutWord(out, 0);
}

void PutField(Bytes* out, const Field& field) {
  if (field.isOrdinal) {
    PutWord(out, 0xFFFF);
    PutWord(out, field.ordinal);
  } else {
    PutString(out, field.text);
  }
}

void PadToDword(Bytes* out) {
  while (out->size() % 4) out->push_back(0);
}

}  // namespace

TemplateShape DefaultShape(bool extended) {
  TemplateShape shape;
  shape.extended = extended;
  shape.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  shape.menu = Field::Text("");
  shape.windowClass = Field::Text("");
  shape.title = Field::Text("Dialog");
  shape.points = 8;
  shape.weight = 0;
  shape.italic = 0;
  shape.charset = 0;
  shape.face = "MS Sans Serif";
  shape.items = {
      {WS_CHILD | WS_VISIBLE | WS_TABSTOP, 1000, 315, 210, 60, 14, Field::Ordinal(0x80),
       Field::Text("Button1"), ""},
      {WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 1004, 5, 204, 371, 1, Field::Ordinal(0x82),
       Field::Text(""), ""},
      {WS_CHILD | WS_VISIBLE, 1005, 125, 191, 250, 7, Field::Text("msctls_progress32"),
       Field::Text("Progress1"), ""},
  };
  return shape;
}

Bytes BuildTemplate(const TemplateShape& shape, std::vector<size_t>* itemOffsets) {
  Bytes out;
  WORD count = static_cast<WORD>(shape.items.size());
  if (shape.extended) {
    PutWord(&out, 1);       // dlgVer
    PutWord(&out, 0xFFFF);  // signature
    PutDword(&out, 0);      // helpID
    PutDword(&out, 0);      // exStyle
    PutDword(&out, shape.style);
  } else {
    PutDword(&out, shape.style);
    PutDword(&out, 0);  // exStyle
  }
  PutWord(&out, count);
  for (WORD v : {0, 0, 382, 230}) PutWord(&out, v);
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
  if (itemOffsets) itemOffsets->clear();
  for (const ItemShape& item : shape.items) {
    PadToDword(&out);
    if (itemOffsets) itemOffsets->push_back(out.size());
    if (shape.extended) {
      PutDword(&out, 0);  // helpID
      PutDword(&out, 0);  // exStyle
      PutDword(&out, item.style);
    } else {
      PutDword(&out, item.style);
      PutDword(&out, 0);
    }
    for (short v : {item.x, item.y, item.cx, item.cy}) PutWord(&out, static_cast<WORD>(v));
    if (shape.extended)
      PutDword(&out, item.id);
    else
      PutWord(&out, item.id);
    PutField(&out, item.windowClass);
    PutField(&out, item.title);
    PutWord(&out, static_cast<WORD>(item.creationData.size()));
    out.insert(out.end(), item.creationData.begin(), item.creationData.end());
  }
  return out;
}

}  // namespace ui_test
