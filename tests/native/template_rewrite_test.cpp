// The font-adaptation campaign's templates through the pure reading and
// rewriting that AdaptDialogTemplate is made of, with the font it would
// choose on a system whose message font is "Tahoma" 8.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "support/guarded_bytes.h"
#include "ui/dialog_template.h"
#include "ui/pure_campaigns.h"

namespace {

using namespace ui_test;

Bytes RewriteToTahoma(const Bytes& bytes) {
  testing_support::GuardedBytes guard(1 << 16);
  const BYTE* at = guard.Place(bytes);
  DWORD size = static_cast<DWORD>(bytes.size());
  DialogFontLayout layout;
  if (!LocateDialogFont(at, size, &layout)) return Bytes();
  if (!DialogFaceIs(at, layout, "MS Sans Serif") && !DialogFaceIs(at, layout, "MS Shell Dlg") &&
      !DialogFaceIs(at, layout, "System"))
    return Bytes();
  const WCHAR face[] = {'T', 'a', 'h', 'o', 'm', 'a', 0};
  DWORD copySize = 0;
  BYTE* copy = RewriteDialogFont(at, size, layout, face, 6, 8, &copySize);
  if (!copy) return Bytes();
  Bytes result(copy, copy + copySize);
  free(copy);
  return result;
}

TEST(RewriteDialogFont, RandomTemplates) {
  testing_support::RunCampaign(kTemplateSeed, kTemplateCases, RandomTemplate,
                               [](const TemplateCase& c) { ExpectTahomaCopy(c, RewriteToTahoma(c.bytes)); });
}

}  // namespace
