// The system's name as the crash report prints it, from the classification
// word.
#include "sysinfo/os_identity.h"

#include <stdio.h>
#include <string.h>

namespace {

struct NamedBit {
  OsKindWord bit;
  const char* text;
};

// The first entry whose bit is set in `word`, or null.
const char* FirstNamed(OsKindWord word, const NamedBit* table, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (word & table[i].bit) return table[i].text;
  return nullptr;
}

#define COUNT_OF(a) (sizeof(a) / sizeof((a)[0]))

const NamedBit kNineXNames[] = {{kOsWin95, "Windows 95"}, {kOsWin95Osr2, "Windows 95 OSR2"},
                                {kOsWin98, "Windows 98"}, {kOsWin98Se, "Windows 98 SE"},
                                {kOsWinMe, "Windows ME"}};
const NamedBit kNtNames[] = {{kOsNt4, "Windows NT4"}, {kOsWin2000, "Windows 2000"}, {kOsWinXp, "Windows XP"},
                             {kOsServer2003, "Windows Server 2003"}, {kOsVista, "Windows Vista"}};
const NamedBit kProductSuffixes[] = {{kOsWorkstation, " [Workstation]"}, {kOsServer, " [Server]"},
                                     {kOsDomainController, " [Advanced Server]"}};
const NamedBit kBuilderSuffixes[] = {{kOsPeBuilder, " [PE Builder]"}, {kOsMiniNt, " [MiniNT]"}};
const NamedBit kTabletSuffixes[] = {{kOsTabletPc, " [TabletPC]"}};
const NamedBit kMediaCenterSuffixes[] = {{kOsMediaCenter2004, " [MediaCenter 2004]"},
                                         {kOsMediaCenter2005, " [MediaCenter 2005]"},
                                         {kOsMediaCenter2005Ex, " [MediaCenter 2005 Ex]"},
                                         {kOsMediaCenterVista, " [MediaCenter Vista]"},
                                         {kOsMediaCenter, " [MediaCenter]"}};
const NamedBit kFundamentalsSuffixes[] = {{kOsFundamentals, " [Fundamentals for Legacy PCs]"}};
const NamedBit kSessionSuffixes[] = {{kOsTerminalSession, " [TerminalSession]"}};

void AppendSuffix(char* buffer, OsKindWord word, const NamedBit* table, size_t count) {
  const char* suffix = FirstNamed(word, table, count);
  if (!suffix) return;
  size_t length = strlen(buffer);
  snprintf(buffer + length, kOsNameSize - length, "%s", suffix);
}

}  // namespace

const char* ComposeOsName(char* buffer, OsKindWord word, const OsRules& rules) {
  if (!(word & kOsNt)) {
    if (word & kOs9x) {
      if (const char* name = FirstNamed(word, kNineXNames, COUNT_OF(kNineXNames))) return name;
      snprintf(buffer, kOsNameSize, "unknown dos kernel 0x%X", static_cast<unsigned>(word));
    } else if (word & kOsWin32s) {
      return "Windows 3.1";
    } else {
      snprintf(buffer, kOsNameSize, "unknown 0x%X", static_cast<unsigned>(word));
    }
    return buffer;
  }
  const char* base = FirstNamed(word, kNtNames, COUNT_OF(kNtNames));
  if (!base) {
    snprintf(buffer, kOsNameSize, "unknown nt kernel 0x%X", static_cast<unsigned>(word));
    return buffer;
  }
  snprintf(buffer, kOsNameSize, "%s", base);
  AppendSuffix(buffer, word, kProductSuffixes, COUNT_OF(kProductSuffixes));
  AppendSuffix(buffer, word, kBuilderSuffixes, COUNT_OF(kBuilderSuffixes));
  AppendSuffix(buffer, word, kTabletSuffixes, COUNT_OF(kTabletSuffixes));
  AppendSuffix(buffer, word, kMediaCenterSuffixes, COUNT_OF(kMediaCenterSuffixes));
  if (rules.fundamentals) AppendSuffix(buffer, word, kFundamentalsSuffixes, COUNT_OF(kFundamentalsSuffixes));
  AppendSuffix(buffer, word, kSessionSuffixes, COUNT_OF(kSessionSuffixes));
  return buffer;
}

