#include "ui/template_cases.h"

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>

#include "ui/dialog_template.h"

namespace ui_test {

namespace {

using testing_support::CampaignRandom;

void Put(Bytes* out, DWORD value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<BYTE>(value >> 8 * i));
}

void PutUnits(Bytes* out, const Field& units) {
  for (WORD unit : units) Put(out, unit, 2);
}

Field Text(const std::string& text) {
  Field units(text.begin(), text.end());
  units.push_back(0);
  return units;
}

std::string RandomText(CampaignRandom& random, unsigned longest) {
  std::string text(random.Below(random.OneIn(20) ? longest : 9), ' ');
  for (char& c : text) c = static_cast<char>(1 + random.Below(0x7F));
  return text;
}

// Mostly `usual`; sometimes an ordinal or another string.
Field RandomField(CampaignRandom& random, const Field& usual) {
  if (!random.OneIn(8)) return usual;
  if (random.OneIn(3)) return {0xFFFF, static_cast<WORD>(random.Next())};
  return Text(RandomText(random, 120));
}

}  // namespace

Bytes BuildTemplate(const TemplateShape& s) {
  Bytes out;
  // dlgVer and signature, helpID, exStyle, style / style, exStyle
  for (DWORD v : s.extended ? std::vector<DWORD>{0xFFFF0000u | s.version, 0, 0, s.style} : std::vector<DWORD>{s.style, 0})
    Put(&out, v, 4);
  Put(&out, static_cast<DWORD>(s.items.size()), 2);
  Put(&out, 0, 4), Put(&out, 0x00C80190, 4);  // x, y; cx 400, cy 200
  for (const Field* field : {&s.menu, &s.windowClass, &s.title}) PutUnits(&out, *field);
  if (s.style & DS_SETFONT) {
    Put(&out, s.points, 2);
    if (s.extended) Put(&out, s.weight | DWORD(s.italic) << 16 | DWORD(s.charset) << 24, 4);
    PutUnits(&out, Text(s.face));
  }
  for (const ItemShape& item : s.items) {
    out.resize((out.size() + 3) & ~size_t(3), 0);
    // helpID, exStyle, style / style, exStyle; then x, y, cx, cy and the id
    for (DWORD v : s.extended ? std::vector<DWORD>{0, 0, item.style} : std::vector<DWORD>{item.style, 0})
      Put(&out, v, 4);
    Put(&out, 0x00020001, 4), Put(&out, 0x000E001E, 4), Put(&out, 1000, s.extended ? 4 : 2);  // 1, 2, 30, 14
    PutUnits(&out, item.windowClass);
    PutUnits(&out, item.title);
    Put(&out, static_cast<DWORD>(item.creationData.size()), 2);
    out.insert(out.end(), item.creationData.begin(), item.creationData.end());
  }
  return out;
}

TemplateCase RandomTemplate(CampaignRandom& random) {
  static const char* const kFaces[] = {"MS Sans Serif", "MS Shell Dlg",   "System", "MS Sans Serif",
                                       "MS Shell Dlg",  "System",         "Tahoma", "MS Shell Dlg 2",
                                       "",              "ms sans serif",  "System "};
  TemplateShape s = {random.OneIn(2), 1, random.OneIn(8) ? WS_POPUP : WS_POPUP | DS_SETFONT,
                     RandomField(random, Text("")), RandomField(random, Text("")),
                     RandomField(random, Text(RandomText(random, 120))), static_cast<WORD>(random.Next()),
                     static_cast<WORD>(random.Next()), static_cast<BYTE>(random.Next()),
                     static_cast<BYTE>(random.Next()), random.OneIn(6) ? RandomText(random, 40) : random.Pick(kFaces),
                     std::vector<ItemShape>(random.Below(5))};
  for (ItemShape& item : s.items) {
    item = {WS_CHILD, RandomField(random, {0xFFFF, 0x80}), RandomField(random, Text(RandomText(random, 120))),
            std::string(random.OneIn(3) ? random.Below(random.OneIn(10) ? 300 : 12) : 0, ' ')};
    for (char& c : item.creationData) c = static_cast<char>(random.Next());
  }
  TemplateCase c = {BuildTemplate(s), true, Bytes()};
  if (random.OneIn(2)) {  // cut short, or a telling or a random word somewhere, up to three times
    static const WORD kWords[] = {0, 1, 2, 0x7FFF, 0x8000, 0xFFFF, 0x0041};
    for (unsigned n = 1 + random.Below(3); n > 0; --n) {
      const unsigned kind = random.Below(3);
      const WORD value = kind == 1 ? random.Pick(kWords) : static_cast<WORD>(random.Next());
      if (kind == 0)
        c.bytes.resize(random.Below(static_cast<unsigned>(c.bytes.size()) + 1));
      else if (c.bytes.size() >= 2)
        memcpy(c.bytes.data() + random.Below(static_cast<unsigned>(c.bytes.size()) / 2) * 2, &value, 2);
    }
    c.known = false;
    return c;
  }
  const unsigned variant = random.Below(6);
  if (variant == 0) {  // cut short: some field or item no longer ends inside
    c.bytes.resize(random.Below(static_cast<unsigned>(c.bytes.size())));
    return c;
  }
  if (variant == 1 && s.extended) {  // a dlgVer other than 1 (2 .. 0xFFFF, 0): not a DLGTEMPLATEEX
    s.version = static_cast<WORD>(2 + random.Below(0xFFFF));
    return {BuildTemplate(s), true, Bytes()};
  }
  Bytes behind(variant == 2 && !s.items.empty() ? 1 + random.Below(8) : 0);  // they belong to the last item
  for (BYTE& b : behind) b = static_cast<BYTE>(random.Next());
  c.bytes.insert(c.bytes.end(), behind.begin(), behind.end());
  if (!(s.style & DS_SETFONT) || (s.face != "MS Sans Serif" && s.face != "MS Shell Dlg" && s.face != "System"))
    return c;
  const size_t size = c.bytes.size() + 2 * strlen("Tahoma") - 2 * s.face.size() + 4;
  s.face = "Tahoma";
  s.points = 8;
  c.expected = BuildTemplate(s);
  c.expected.insert(c.expected.end(), behind.begin(), behind.end());
  c.expected.resize(size, 0);
  return c;
}

void ExpectTahomaCopy(const TemplateCase& c, const Bytes& copy) {
  if (c.known) {
    ASSERT_EQ(c.expected.size(), copy.size());
    EXPECT_EQ(copy.size(), size_t(std::mismatch(copy.begin(), copy.end(), c.expected.begin()).first - copy.begin()))
        << "first wrong byte";
    return;
  }
  if (copy.empty()) return;
  // An adapted mutation: the face and point size replaced, the items moved
  // to the new DWORD boundary, zeros behind them.
  DialogFontLayout in, out;
  ASSERT_EQ(1, LocateDialogFont(c.bytes.data(), static_cast<DWORD>(c.bytes.size()), &in));
  ASSERT_EQ(1, LocateDialogFont(copy.data(), static_cast<DWORD>(copy.size()), &out));
  ASSERT_EQ(1, DialogFaceIs(copy.data(), out, "Tahoma"));
  ASSERT_EQ(c.bytes.size() + 2 * 6 - 2 * in.faceChars + 4, copy.size());
  EXPECT_EQ(8, copy[out.pointSizeOffset] | copy[out.pointSizeOffset + 1] << 8);
  EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.begin() + in.pointSizeOffset, copy.begin()));
  const size_t items = c.bytes.size() - std::min<size_t>(c.bytes.size(), in.itemsOffset);
  ASSERT_LE(out.itemsOffset + items, copy.size());
  EXPECT_TRUE(std::equal(c.bytes.end() - items, c.bytes.end(), copy.begin() + out.itemsOffset));
  EXPECT_TRUE(std::all_of(copy.begin() + out.itemsOffset + items, copy.end(), [](BYTE b) { return b == 0; }));
}

}  // namespace ui_test
