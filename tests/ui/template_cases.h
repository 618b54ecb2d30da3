// Dialog templates (DLGTEMPLATE and DLGTEMPLATEEX) built byte by byte,
// independently of the code under test, and the random templates of the
// font-adaptation campaign, shared by the Windows test (AdaptDialogTemplate)
// and the native sanitizer build (LocateDialogFont and RewriteDialogFont).
#ifndef TESTS_UI_TEMPLATE_CASES_H_
#define TESTS_UI_TEMPLATE_CASES_H_

#include <windows.h>

#include <string>
#include <vector>

#include "support/campaign_random.h"

namespace ui_test {

typedef std::vector<BYTE> Bytes;
// A menu, class or title field as stored: {0xFFFF, ordinal}, or a string's
// units and its terminator.
typedef std::vector<WORD> Field;

struct ItemShape {
  DWORD style;
  Field windowClass, title;
  std::string creationData;  // the bytes behind the count WORD
};

struct TemplateShape {
  bool extended;
  WORD version;  // dlgVer of a DLGTEMPLATEEX
  DWORD style;
  Field menu, windowClass, title;
  WORD points, weight;  // weight, italic, charset: DLGTEMPLATEEX only
  BYTE italic, charset;
  std::string face;
  std::vector<ItemShape> items;
};

// Item templates start at DWORD boundaries from the first byte.
Bytes BuildTemplate(const TemplateShape& shape);

const unsigned kTemplateSeed = 20240607;
const int kTemplateCases = 10000;

struct TemplateCase {
  Bytes bytes;
  // Known: `expected` is the exact copy with "Tahoma" 8, or empty when the
  // template must be used as stored. Otherwise the bytes are a mutation and
  // only the copy's relation to them can be checked.
  bool known;
  Bytes expected;
};

// A random shape, whole, with bytes behind its last item, cut short, with a
// dlgVer other than 1, or mutated.
TemplateCase RandomTemplate(testing_support::CampaignRandom& random);

// The copy (empty for null) that adaptation to "Tahoma" 8 made of `c`.
void ExpectTahomaCopy(const TemplateCase& c, const Bytes& copy);

}  // namespace ui_test

#endif  // TESTS_UI_TEMPLATE_CASES_H_
