#include "ui/pure_campaigns.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "support/guarded_bytes.h"
#include "ui/string_block.h"

namespace ui_test {

using testing_support::CampaignRandom;

static void Put(Bytes* out, DWORD value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<BYTE>(i < 4 ? value >> 8 * i : 0));
}

static void PutText(Bytes* out, const std::string& text) {
  for (char c : text + '\0') Put(out, static_cast<BYTE>(c), 2);
}

static std::string RandomText(CampaignRandom& random, unsigned longest) {
  std::string text(random.Below(longest), ' ');
  for (char& c : text) c = static_cast<char>(1 + random.Below(0x7F));
  return text;
}

// A menu, class or title field: a string of up to 8 units, sometimes of up
// to 119, or an ordinal.
static void PutField(Bytes* out, CampaignRandom& random) {
  const unsigned kind = random.Below(8);
  if (kind == 0) Put(out, 0xFFFF | random.Next() << 16, 4);
  if (kind != 0) PutText(out, RandomText(random, kind == 1 ? 120 : 9));
}

// Built independently of the code under test: header and fields, the font
// block, then the items from the next DWORD boundary. The copy differs only
// in its font block; its items keep their alignment relative to their start.
TemplateCase RandomTemplate(CampaignRandom& random) {
  static const char* const kFaces[] = {"MS Sans Serif", "MS Shell Dlg", "System", "MS Sans Serif", "MS Shell Dlg",
                                       "System", "Tahoma", "MS Shell Dlg 2", "", "ms sans serif", "System "};
  const bool extended = random.OneIn(2), setFont = !random.OneIn(8);
  const DWORD style = setFont ? WS_POPUP | DS_SETFONT : WS_POPUP, extras = random.Next(), points = random.Next();
  const std::string face = random.OneIn(6) ? RandomText(random, 40) : random.Pick(kFaces);
  const unsigned count = random.Below(5);
  Bytes head, font, copyFont, items;
  // dlgVer 1 and signature, helpID, exStyle, style / style, exStyle; item count, x, y, cx, cy; menu, class, title
  Put(&head, extended ? 0xFFFF0001 : style, 4), Put(&head, 0, extended ? 8 : 4), Put(&head, style, extended ? 4 : 0);
  Put(&head, count, 2), Put(&head, 0, 4), Put(&head, 0x00C80190, 4);
  for (int field = 0; field < 3; ++field) PutField(&head, random);
  for (Bytes* block : {&font, &copyFont}) {  // point size, weight, italic and charset, face
    if (setFont) Put(block, block == &font ? points : 8, 2), Put(block, extras, extended ? 4 : 0);
    if (setFont) PutText(block, block == &font ? face : "Tahoma");
  }
  for (unsigned i = 0; i < count; ++i) {
    items.resize((items.size() + 3) & ~size_t(3), 0);
    // helpID, exStyle, style / style, exStyle; x, y, cx, cy; id; class, title; creation data
    Put(&items, 0, extended ? 8 : 0), Put(&items, WS_CHILD, 4), Put(&items, 0, extended ? 0 : 4);
    Put(&items, 0x00020001, 4), Put(&items, 0x000E001E, 4), Put(&items, 1000, extended ? 4 : 2);
    PutField(&items, random), PutField(&items, random);
    const unsigned data = random.OneIn(3) ? random.Below(random.OneIn(10) ? 300 : 12) : 0;
    for (unsigned b = 0; b < data + 2; ++b) Put(&items, b < 2 ? data >> 8 * b : random.Next(), 1);
  }
  auto assemble = [&](const Bytes& fontBlock) {
    Bytes out = head;
    out.insert(out.end(), fontBlock.begin(), fontBlock.end());
    out.resize(count ? (out.size() + 3) & ~size_t(3) : out.size(), 0);
    out.insert(out.end(), items.begin(), items.end());
    return out;
  };
  const unsigned variant = random.Below(12);
  if (variant == 8 && count)  // bytes behind the last item belong to it
    for (unsigned n = 1 + random.Below(8); n > 0; --n) items.push_back(static_cast<BYTE>(random.Next()));
  TemplateCase c = {assemble(font), true, Bytes()};
  const unsigned size = static_cast<unsigned>(c.bytes.size());
  if (variant < 6) {  // cut short, or a telling or a random word somewhere, up to three times
    static const WORD kWords[] = {0, 1, 2, 0x7FFF, 0x8000, 0xFFFF, 0x0041};
    for (unsigned n = 1 + random.Below(3); n > 0; --n) {
      const unsigned kind = random.Below(3), at = random.Below(static_cast<unsigned>(c.bytes.size()) / 2) * 2;
      const WORD value = kind == 1 ? random.Pick(kWords) : static_cast<WORD>(random.Next());
      if (kind == 0) c.bytes.resize(at);
      if (kind != 0 && c.bytes.size() >= 2) memcpy(c.bytes.data() + at, &value, 2);
    }
    c.known = false;
  } else if (variant == 6) {  // cut short: some field or item no longer ends inside
    c.bytes.resize(random.Below(size));
  } else if (variant == 7 && extended) {  // a dlgVer other than 1 (2 .. 0xFFFF, then 0): not a DLGTEMPLATEEX
    const WORD version = static_cast<WORD>(2 + random.Below(0xFFFF));
    memcpy(c.bytes.data(), &version, 2);
  } else if (setFont && (face == "MS Sans Serif" || face == "MS Shell Dlg" || face == "System")) {
    c.expected = assemble(copyFont);
    c.expected.resize(size + 2 * strlen("Tahoma") - 2 * face.size() + 4, 0);
  }
  return c;
}

void ExpectTahomaCopy(const TemplateCase& c, const Bytes& copy) { ASSERT_TRUE(!c.known || c.expected == copy); }

BlockCase RandomBlock(CampaignRandom& random) {
  BlockCase c = {};
  for (unsigned i = 0, written = random.OneIn(8) ? random.Below(16) : 16; i < written; ++i) {
    const unsigned units = random.OneIn(3) ? 0 : random.OneIn(15) ? 590 + random.Below(20) : 1 + random.Below(10);
    Put(&c.bytes, units, 2);
    c.entries[i] = {units > 0, static_cast<DWORD>(c.bytes.size()), units};
    for (unsigned u = 0; u < units; ++u) Put(&c.bytes, random.OneIn(4) ? 0 : random.Next(), 2);  // zeros inside
  }
  // Cut short (entries no longer whole are missing), or with bytes behind the last entry.
  const unsigned size = static_cast<unsigned>(c.bytes.size());
  c.bytes.resize(random.OneIn(5) ? random.Below(size + 1) : random.OneIn(4) ? size + 1 + random.Below(7) : size, 0x41);
  for (BlockEntry& e : c.entries) e.found = e.found && e.offset + 2 * e.units <= c.bytes.size();
  return c;
}

// Each block read at every index and one past them: found exactly where it
// was built to have the entry, nothing read outside it.
TEST(FindBlockString, RandomBlocksStayWithinTheirSize) {
  testing_support::GuardedBytes guard(1 << 16);
  testing_support::RunCampaign(kBlockSeed, 10000, RandomBlock, [&](const BlockCase& c) {
    for (unsigned index = 0; index <= 16; ++index) {
      const BlockEntry e = index < 16 && c.entries[index].found ? c.entries[index] : BlockEntry{false, 0, 0};
      DWORD offset = 0, units = 0;
      const int found = FindBlockString(guard.Place(c.bytes), DWORD(c.bytes.size()), index, &offset, &units);
      ASSERT_EQ(std::vector<DWORD>({e.found, e.offset, e.units}), std::vector<DWORD>({DWORD(found), offset, units}))
          << "index " << index;
    }
  });
}

}  // namespace ui_test
