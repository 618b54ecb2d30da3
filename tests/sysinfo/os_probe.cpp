// Writes what the real classification says of the running system to the file
// named by its argument.
#include <stdio.h>
#include <string.h>

#include "installer/installer_rules.h"
#include "sysinfo/os_identity.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  OsVersionData v;
  if (!QueryOsVersion(&v)) return 3;
  char sp[129] = {};
  memcpy(sp, v.servicePack, 128);
  if (!sp[0]) strcpy(sp, " ");  // keeps the quoted field scannable
  char name[kOsNameSize];
  OsKindWord word = ClassifyOs();
  OsKindWord atLeast = 0;
  for (int bit = 0; bit < 14; ++bit)
    if (IsOsAtLeast(1u << bit)) atLeast |= 1u << bit;
  FILE* out = fopen(argv[1], "w");
  if (!out) return 4;
  fprintf(out, "%lu %lu %lu %lu \"%s\" %lx \"%s\" %lx\n", v.platformId, v.major, v.minor, v.build, sp, word,
          ComposeOsName(name, word, kInstallerOsRules), atLeast);
  fclose(out);
  return 0;
}
