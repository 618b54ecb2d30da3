#include "ui/dialog_template.h"

#include <gtest/gtest.h>
#include <string.h>

#include "ui/template_builder.h"

using namespace ui_test;

namespace {

// Runs LocateDialogFont on bytes that end at an inaccessible page.
int LocateGuarded(const Bytes& bytes, DialogFontLayout* layout) {
  GuardedBytes guard;
  const BYTE* at = guard.Place(bytes);
  return LocateDialogFont(at, static_cast<DWORD>(bytes.size()), layout);
}

void SetWord(Bytes* bytes, size_t offset, WORD value) { memcpy(bytes->data() + offset, &value, 2); }

TEST(GuardedBytes, ByteBehindPlacedDataIsInaccessible) {
  GuardedBytes guard;
  Bytes data(10, 0x5A);
  const BYTE* at = guard.Place(data);
  EXPECT_FALSE(IsBadReadPtr(at, data.size()));
  EXPECT_TRUE(IsBadReadPtr(at + data.size(), 1));
}

TEST(LocateDialogFont, FindsFontAndItemsOfBothLayouts) {
  for (bool extended : {false, true}) {
    SCOPED_TRACE(extended ? "DLGTEMPLATEEX" : "DLGTEMPLATE");
    TemplateShape shape = DefaultShape(extended);
    std::vector<size_t> items;
    Bytes bytes = BuildTemplate(shape, &items);
    DialogFontLayout layout;
    ASSERT_EQ(1, LocateGuarded(bytes, &layout));
    // Header, empty menu and class (one unit each), "Dialog" and its terminator.
    DWORD fields = (extended ? 26 : 18) + 2 + 2 + 14;
    EXPECT_EQ(extended ? 1 : 0, layout.extended);
    EXPECT_EQ(fields, layout.pointSizeOffset);
    EXPECT_EQ(fields + (extended ? 6 : 2), layout.faceOffset);
    EXPECT_EQ(13u, layout.faceChars);
    EXPECT_EQ(items[0], layout.itemsOffset);
    EXPECT_EQ(1, DialogFaceIs(bytes.data(), layout, "MS Sans Serif"));
    EXPECT_EQ(0, DialogFaceIs(bytes.data(), layout, "MS Sans Seri"));
    EXPECT_EQ(0, DialogFaceIs(bytes.data(), layout, "ms sans serif"));
  }
}

TEST(LocateDialogFont, OrdinalFieldsTakeFourBytes) {
  TemplateShape shape = DefaultShape(false);
  shape.menu = Field::Ordinal(7);
  shape.windowClass = Field::Ordinal(0x8002);
  shape.title = Field::Ordinal(3);
  DialogFontLayout layout;
  ASSERT_EQ(1, LocateGuarded(BuildTemplate(shape), &layout));
  EXPECT_EQ(18u + 12u, layout.pointSizeOffset);
}

// Every way a template can end early or count past its end.
TEST(LocateDialogFont, MalformedTemplatesGiveZero) {
  for (bool extended : {false, true}) {
    TemplateShape shape = DefaultShape(extended);
    std::vector<size_t> items;
    const Bytes whole = BuildTemplate(shape, &items);
    DialogFontLayout valid;
    ASSERT_EQ(1, LocateGuarded(whole, &valid));
    DWORD header = extended ? 26 : 18;
    DWORD titleAt = header + 4;  // behind the empty menu and class
    DWORD countAt = extended ? 16 : 8;

    struct Case {
      const char* name;
      Bytes bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", Bytes()});
    Bytes noFont = whole;
    noFont[extended ? 12 : 0] &= ~DS_SETFONT;
    cases.push_back({"no DS_SETFONT", noFont});
    cases.push_back({"three bytes", Bytes(whole.begin(), whole.begin() + 3)});
    cases.push_back({"header cut by one byte", Bytes(whole.begin(), whole.begin() + header - 1)});
    cases.push_back({"header only", Bytes(whole.begin(), whole.begin() + header)});
    cases.push_back({"title without terminator",
                     Bytes(whole.begin(), whole.begin() + titleAt + 12)});
    cases.push_back({"point size cut", Bytes(whole.begin(), whole.begin() + valid.pointSizeOffset + 1)});
    cases.push_back({"face without terminator",
                     Bytes(whole.begin(), whole.begin() + valid.faceOffset + 2 * valid.faceChars)});
    cases.push_back({"last item's class cut", Bytes(whole.begin(), whole.begin() + items[2] +
                                                                       (extended ? 24 : 18) + 6)});
    Bytes moreItems = whole;
    SetWord(&moreItems, countAt, 4);
    cases.push_back({"one item more than present", moreItems});
    Bytes manyItems = whole;
    SetWord(&manyItems, countAt, 0xFFFF);
    cases.push_back({"item count 0xFFFF", manyItems});
    Bytes creation = whole;
    SetWord(&creation, whole.size() - 2, 1);  // the last item's creation-data count
    cases.push_back({"creation data past the end", creation});
    Bytes menuOrdinal = whole;
    menuOrdinal.resize(header + 2);
    SetWord(&menuOrdinal, header, 0xFFFF);
    cases.push_back({"menu ordinal cut", menuOrdinal});
    Bytes version = whole;
    SetWord(&version, 0, 2);
    SetWord(&version, 2, 0xFFFF);
    cases.push_back({"signature 0xFFFF with dlgVer 2", version});
    Bytes endless(whole.begin(), whole.begin() + titleAt);
    endless.resize(endless.size() + 64, 0x41);  // a title of 'AA' units to the very end
    cases.push_back({"unterminated title to the end", endless});

    for (size_t i = 0; i < cases.size(); ++i) {
      DialogFontLayout layout;
      EXPECT_EQ(0, LocateGuarded(cases[i].bytes, &layout))
          << "case " << i << " (" << cases[i].name << "), extended " << extended;
    }
  }
}

TEST(LocateDialogFont, EveryProperPrefixIsRejected) {
  for (bool extended : {false, true}) {
    Bytes whole = BuildTemplate(DefaultShape(extended));
    for (size_t length = 0; length < whole.size(); ++length) {
      DialogFontLayout layout;
      ASSERT_EQ(0, LocateGuarded(Bytes(whole.begin(), whole.begin() + length), &layout))
          << "length " << length << " of " << whole.size() << ", extended " << extended;
    }
  }
}

TEST(RewriteDialogFont, NoItemsBehindTheFace) {
  TemplateShape shape = DefaultShape(false);
  shape.items.clear();
  shape.title = Field::Text("");  // the face then ends off a DWORD boundary
  Bytes bytes = BuildTemplate(shape);
  DialogFontLayout layout;
  ASSERT_EQ(1, LocateGuarded(bytes, &layout));
  EXPECT_GT(layout.itemsOffset, bytes.size());
  const WCHAR face[] = L"Tahoma";
  DWORD copySize = 0;
  BYTE* copy = RewriteDialogFont(bytes.data(), static_cast<DWORD>(bytes.size()), layout, face, 6, 9,
                                 &copySize);
  ASSERT_NE(nullptr, copy);
  shape.face = "Tahoma";
  shape.points = 9;
  Bytes expected = BuildTemplate(shape);
  EXPECT_EQ(bytes.size() - 14 + 4, copySize);
  ASSERT_LE(expected.size(), copySize);
  EXPECT_EQ(0, memcmp(expected.data(), copy, expected.size()));
  free(copy);
}

}  // namespace
