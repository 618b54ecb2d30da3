#include "ui/template_cases.h"

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>

#include "ui/dialog_template.h"

namespace ui_test {

namespace {

using testing_support::CampaignRandom;

const char* const kOldDefaults[] = {"MS Sans Serif", "MS Shell Dlg", "System"};

std::string RandomText(CampaignRandom& random, unsigned longest) {
  std::string text(random.Below(random.OneIn(20) ? longest : 9), ' ');
  for (char& c : text) c = static_cast<char>(1 + random.Below(0x7F));
  return text;
}

// Mostly fields the platform can create a dialog from (no menu, standard
// classes), sometimes anything but the atoms of the system's own classes
// (0x8000 on: menus, the desktop ...), which a dialog must not be made of.
Field RandomField(CampaignRandom& random, const Field& usual) {
  if (!random.OneIn(8)) return usual;
  if (random.OneIn(3)) return Field::Ordinal(static_cast<WORD>(random.Next() & 0x7FFF));
  return Field::Text(RandomText(random, 120));
}

TemplateShape RandomShape(CampaignRandom& random) {
  static const DWORD kStyles[] = {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_POPUP | WS_BORDER,
                                  WS_POPUP};
  static const char* const kFaces[] = {"MS Sans Serif", "MS Shell Dlg", "System", "MS Sans Serif", "MS Shell Dlg",
                                       "System",        "Tahoma",       "MS Shell Dlg 2", "", "ms sans serif",
                                       "System "};
  // Buttons and statics of plain styles: some other controls hang the
  // platform's dialog creation on random styles.
  static const WORD kItemClasses[] = {0x80, 0x82};
  static const DWORD kItemStyles[] = {0, WS_TABSTOP, SS_BLACKFRAME, WS_DISABLED};
  TemplateShape shape = DefaultShape(random.OneIn(2));
  shape.style = random.Pick(kStyles) | (random.OneIn(8) ? 0 : DS_SETFONT);
  shape.menu = RandomField(random, Field::Text(""));
  shape.windowClass = RandomField(random, Field::Text(""));
  shape.title = RandomField(random, Field::Text(RandomText(random, 120)));
  shape.points = static_cast<WORD>(random.Next());
  shape.weight = static_cast<WORD>(random.Next());
  shape.italic = static_cast<BYTE>(random.Next());
  shape.charset = static_cast<BYTE>(random.Next());
  shape.face = random.OneIn(6) ? RandomText(random, 40) : random.Pick(kFaces);
  shape.items.resize(random.Below(5));
  for (ItemShape& item : shape.items) {
    item = {WS_CHILD | WS_VISIBLE | random.Pick(kItemStyles), static_cast<WORD>(random.Next()), 1, 2, 30, 14,
            RandomField(random, Field::Ordinal(random.Pick(kItemClasses))),
            RandomField(random, Field::Text(RandomText(random, 120))), ""};
    item.creationData.resize(random.OneIn(3) ? random.Below(random.OneIn(10) ? 300 : 12) : 0);
    for (char& c : item.creationData) c = static_cast<char>(random.Next());
  }
  return shape;
}

// Cuts the bytes short, or puts a telling or a random word somewhere.
Bytes Mutate(Bytes bytes, CampaignRandom& random) {
  static const WORD kWords[] = {0, 1, 2, 0x7FFF, 0x8000, 0xFFFF, 0x0041};
  const unsigned kind = random.Below(3);
  if (kind == 0) {
    bytes.resize(random.Below(bytes.size() + 1));
  } else if (bytes.size() >= 2) {
    const WORD value = kind == 1 ? random.Pick(kWords) : static_cast<WORD>(random.Next());
    memcpy(bytes.data() + random.Below(bytes.size() / 2) * 2, &value, 2);
  }
  return bytes;
}

}  // namespace

TemplateCase TemplateCases::Next() {
  TemplateShape shape = RandomShape(random);
  TemplateCase c = {BuildTemplate(shape), true, Bytes()};
  if (random.OneIn(2)) {
    for (unsigned n = 1 + random.Below(3); n > 0; --n) c.bytes = Mutate(c.bytes, random);
    c.known = false;
    return c;
  }
  unsigned variant = random.Below(5);
  if (variant == 0) {  // cut short: some field or item no longer ends inside
    c.bytes.resize(random.Below(c.bytes.size()));
    return c;
  }
  Bytes behind;  // bytes behind the last item belong to it and move with it
  if (variant == 1 && !shape.items.empty()) {
    behind.resize(1 + random.Below(8));
    for (BYTE& b : behind) b = static_cast<BYTE>(random.Next());
  }
  c.bytes.insert(c.bytes.end(), behind.begin(), behind.end());
  bool oldDefault = std::find(std::begin(kOldDefaults), std::end(kOldDefaults), shape.face) != std::end(kOldDefaults);
  if (!(shape.style & DS_SETFONT) || !oldDefault) return c;
  size_t size = c.bytes.size() + 2 * strlen("Tahoma") - 2 * shape.face.size() + 4;
  shape.face = "Tahoma";
  shape.points = 8;
  c.expected = BuildTemplate(shape);
  c.expected.insert(c.expected.end(), behind.begin(), behind.end());
  c.expected.resize(size, 0);
  return c;
}

void ExpectTahomaCopy(const TemplateCase& c, const Bytes& copy) {
  if (c.known) {
    ASSERT_EQ(c.expected.size(), copy.size());
    size_t differs = std::mismatch(copy.begin(), copy.end(), c.expected.begin()).first - copy.begin();
    EXPECT_EQ(copy.size(), differs) << "first wrong byte";
    return;
  }
  if (copy.empty()) return;
  // A mutation that was adapted: the copy is the template with the face and
  // point size replaced, items moved to the new DWORD boundary, zeros behind.
  DialogFontLayout in, out;
  ASSERT_EQ(1, LocateDialogFont(c.bytes.data(), static_cast<DWORD>(c.bytes.size()), &in));
  ASSERT_EQ(1, LocateDialogFont(copy.data(), static_cast<DWORD>(copy.size()), &out));
  ASSERT_EQ(1, DialogFaceIs(copy.data(), out, "Tahoma"));
  ASSERT_EQ(c.bytes.size() + 2 * 6 - 2 * in.faceChars + 4, copy.size());
  EXPECT_EQ(8, copy[out.pointSizeOffset] | copy[out.pointSizeOffset + 1] << 8);
  EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.begin() + in.pointSizeOffset, copy.begin()));
  size_t items = in.itemsOffset < c.bytes.size() ? c.bytes.size() - in.itemsOffset : 0;
  ASSERT_LE(out.itemsOffset + items, copy.size());
  EXPECT_TRUE(std::equal(c.bytes.end() - items, c.bytes.end(), copy.begin() + out.itemsOffset));
  EXPECT_TRUE(std::all_of(copy.begin() + out.itemsOffset + items, copy.end(), [](BYTE b) { return b == 0; }));
}

}  // namespace ui_test
