#include "ui/pure_campaigns.h"

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "support/guarded_bytes.h"
#include "ui/dialog_template.h"
#include "ui/string_block.h"

namespace ui_test {

namespace {

using testing_support::CampaignRandom;

void Put(Bytes* out, DWORD value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<BYTE>(value >> 8 * i));
}

void PutText(Bytes* out, const std::string& text) {
  for (char c : text) Put(out, static_cast<BYTE>(c), 2);
  Put(out, 0, 2);
}

std::string RandomText(CampaignRandom& random, unsigned longest) {
  std::string text(random.Below(longest), ' ');
  for (char& c : text) c = static_cast<char>(1 + random.Below(0x7F));
  return text;
}

// A menu, class or title field: a string of up to 8 units, sometimes of up
// to 119, or an ordinal.
void PutField(Bytes* out, CampaignRandom& random) {
  const unsigned kind = random.Below(8);
  if (kind == 0) {
    Put(out, 0xFFFF, 2);
    Put(out, random.Next(), 2);
  } else {
    PutText(out, RandomText(random, kind == 1 ? 120 : 9));
  }
}

}  // namespace

// Built independently of the code under test: header and fields, the font
// block, then the items from the next DWORD boundary; the copy differs only
// in its font block, and its items keep their alignment relative to it.
TemplateCase RandomTemplate(CampaignRandom& random) {
  static const char* const kFaces[] = {"MS Sans Serif", "MS Shell Dlg",   "System",        "MS Sans Serif",
                                       "MS Shell Dlg",  "System",         "Tahoma",        "MS Shell Dlg 2",
                                       "",              "ms sans serif",  "System "};
  const bool extended = random.OneIn(2), setFont = !random.OneIn(8);
  const DWORD style = setFont ? WS_POPUP | DS_SETFONT : WS_POPUP;
  const std::string face = random.OneIn(6) ? RandomText(random, 40) : random.Pick(kFaces);
  const unsigned count = random.Below(5);
  Bytes head, font, copyFont, items;
  // dlgVer 1 and signature, helpID, exStyle, style / style, exStyle; item count, x, y, cx, cy; menu, class, title
  for (DWORD v : extended ? std::vector<DWORD>{0xFFFF0001, 0, 0, style} : std::vector<DWORD>{style, 0})
    Put(&head, v, 4);
  Put(&head, count, 2), Put(&head, 0, 4), Put(&head, 0x00C80190, 4);
  for (int field = 0; field < 3; ++field) PutField(&head, random);
  const DWORD weightItalicCharset = random.Next(), points = random.Next();
  for (Bytes* block : {&font, &copyFont}) {
    if (!setFont) break;
    Put(block, block == &font ? points : 8, 2);
    if (extended) Put(block, weightItalicCharset, 4);
    PutText(block, block == &font ? face : "Tahoma");
  }
  for (unsigned i = 0; i < count; ++i) {
    items.resize((items.size() + 3) & ~size_t(3), 0);
    // helpID, exStyle, style / style, exStyle; x, y, cx, cy; id; class, title; creation data
    for (DWORD v : extended ? std::vector<DWORD>{0, 0, WS_CHILD} : std::vector<DWORD>{WS_CHILD, 0}) Put(&items, v, 4);
    Put(&items, 0x00020001, 4), Put(&items, 0x000E001E, 4), Put(&items, 1000, extended ? 4 : 2);
    PutField(&items, random), PutField(&items, random);
    const unsigned data = random.OneIn(3) ? random.Below(random.OneIn(10) ? 300 : 12) : 0;
    Put(&items, data, 2);
    for (unsigned b = 0; b < data; ++b) Put(&items, random.Next(), 1);
  }
  auto assemble = [&](const Bytes& fontBlock) {
    Bytes out = head;
    out.insert(out.end(), fontBlock.begin(), fontBlock.end());
    if (count) out.resize((out.size() + 3) & ~size_t(3), 0);
    out.insert(out.end(), items.begin(), items.end());
    return out;
  };
  TemplateCase c = {assemble(font), true, Bytes()};
  if (random.OneIn(2)) {  // cut short, or a telling or a random word somewhere, up to three times
    static const WORD kWords[] = {0, 1, 2, 0x7FFF, 0x8000, 0xFFFF, 0x0041};
    for (unsigned n = 1 + random.Below(3); n > 0; --n) {
      const unsigned kind = random.Below(3), size = static_cast<unsigned>(c.bytes.size());
      const WORD value = kind == 1 ? random.Pick(kWords) : static_cast<WORD>(random.Next());
      if (kind == 0) c.bytes.resize(random.Below(size + 1));
      if (kind != 0 && size >= 2) memcpy(c.bytes.data() + random.Below(size / 2) * 2, &value, 2);
    }
    c.known = false;
    return c;
  }
  const unsigned variant = random.Below(6);
  if (variant == 0) {  // cut short: some field or item no longer ends inside
    c.bytes.resize(random.Below(static_cast<unsigned>(c.bytes.size())));
    return c;
  }
  if (variant == 1 && extended) {  // a dlgVer other than 1 (2 .. 0xFFFF, then 0): not a DLGTEMPLATEEX
    const WORD version = static_cast<WORD>(2 + random.Below(0xFFFF));
    memcpy(c.bytes.data(), &version, 2);
    return c;
  }
  Bytes behind(variant == 2 && count ? 1 + random.Below(8) : 0);  // they belong to the last item
  for (BYTE& b : behind) b = static_cast<BYTE>(random.Next());
  c.bytes.insert(c.bytes.end(), behind.begin(), behind.end());
  if (!setFont || (face != "MS Sans Serif" && face != "MS Shell Dlg" && face != "System")) return c;
  c.expected = assemble(copyFont);
  c.expected.insert(c.expected.end(), behind.begin(), behind.end());
  c.expected.resize(c.bytes.size() + 2 * strlen("Tahoma") - 2 * face.size() + 4, 0);
  return c;
}

void ExpectTahomaCopy(const TemplateCase& c, const Bytes& copy) {
  if (c.known) {
    ASSERT_EQ(c.expected.size(), copy.size());
    EXPECT_EQ(copy.size(), size_t(std::mismatch(copy.begin(), copy.end(), c.expected.begin()).first - copy.begin()))
        << "first wrong byte";
  } else if (!copy.empty()) {  // an adapted mutation: "Tahoma" 8 in a copy of the promised size
    DialogFontLayout in, out;
    ASSERT_EQ(1, LocateDialogFont(c.bytes.data(), static_cast<DWORD>(c.bytes.size()), &in));
    ASSERT_EQ(1, LocateDialogFont(copy.data(), static_cast<DWORD>(copy.size()), &out));
    EXPECT_EQ(1, DialogFaceIs(copy.data(), out, "Tahoma"));
    EXPECT_EQ(c.bytes.size() + 2 * 6 - 2 * in.faceChars + 4, copy.size());
    EXPECT_EQ(8, copy[out.pointSizeOffset] | copy[out.pointSizeOffset + 1] << 8);
  }
}

BlockCase RandomBlock(CampaignRandom& random) {
  BlockCase c = {};
  const unsigned written = random.OneIn(8) ? random.Below(16) : 16;
  for (unsigned i = 0; i < written; ++i) {
    if (random.OneIn(40)) {  // a count with fewer units behind it: the walk ends here
      const unsigned count = 1 + random.Below(40);
      Put(&c.bytes, count, 2);
      c.bytes.resize(c.bytes.size() + random.Below(2 * count));
      return c;
    }
    unsigned units = random.OneIn(3) ? 0 : random.OneIn(15) ? 590 + random.Below(20) : 1 + random.Below(10);
    if (random.OneIn(60)) units = random.Below(2000);
    Put(&c.bytes, units, 2);
    c.entries[i] = {units > 0, static_cast<DWORD>(c.bytes.size()), units};
    for (unsigned u = 0; u < units; ++u) {  // mostly printable ASCII; zeros, Latin-1 and any unit
      const unsigned kind = random.Below(12);
      Put(&c.bytes, kind == 0 ? 0 : kind == 1 ? random.Next() : kind == 2 ? 0xA0 + random.Below(0x60)
                                                                        : 0x20 + random.Below(0x5F), 2);
    }
  }
  if (random.OneIn(5)) {  // cut short: entries no longer whole are missing
    c.bytes.resize(random.Below(static_cast<unsigned>(c.bytes.size()) + 1));
    for (BlockEntry& e : c.entries) e.found = e.found && e.offset + 2 * e.units <= c.bytes.size();
  } else if (random.OneIn(4)) {
    c.bytes.resize(c.bytes.size() + 1 + random.Below(7), 0x41);
  }
  return c;
}

namespace {

// Each block read at every index and one past them: found exactly where it
// was built to have the entry, nothing read outside it.
TEST(FindBlockString, RandomBlocksStayWithinTheirSize) {
  testing_support::GuardedBytes guard(1 << 16);
  testing_support::RunCampaign(kBlockSeed, 10000, RandomBlock, [&](const BlockCase& c) {
    const BYTE* at = guard.Place(c.bytes);
    for (unsigned index = 0; index <= 16; ++index) {
      const BlockEntry expected = index < 16 ? c.entries[index] : BlockEntry{false, 0, 0};
      DWORD offset = 0, units = 0;
      ASSERT_EQ(expected.found, FindBlockString(at, static_cast<DWORD>(c.bytes.size()), index, &offset, &units) == 1)
          << "index " << index;
      ASSERT_EQ(expected.found ? expected.offset : 0, offset) << "index " << index;
      ASSERT_EQ(expected.found ? expected.units : 0, units) << "index " << index;
    }
  });
}

}  // namespace

}  // namespace ui_test
