// The random dialog templates of the font-adaptation campaign and the check
// of an adapted copy, shared by the Windows test (AdaptDialogTemplate) and
// the native sanitizer build (LocateDialogFont and RewriteDialogFont).
#ifndef TESTS_UI_TEMPLATE_CASES_H_
#define TESTS_UI_TEMPLATE_CASES_H_

#include "support/campaign_random.h"
#include "ui/template_builder.h"

namespace ui_test {

const unsigned kTemplateSeed = 20240607;
const int kTemplateCases = 10000;

struct TemplateCase {
  Bytes bytes;
  // Built from a random shape (whole, with bytes appended behind the items,
  // or cut short): `expected` is the exact copy with "Tahoma" 8, or empty
  // when the template must be used as stored. Otherwise the bytes are a
  // mutation and only the copy's relation to them can be checked.
  bool known;
  Bytes expected;
};

class TemplateCases {
 public:
  explicit TemplateCases(unsigned seed) : random(seed) {}
  TemplateCase Next();

 private:
  testing_support::CampaignRandom random;
};

// The copy (empty for null) that adaptation to "Tahoma" 8 made of `c`.
void ExpectTahomaCopy(const TemplateCase& c, const Bytes& copy);

}  // namespace ui_test

#endif  // TESTS_UI_TEMPLATE_CASES_H_
