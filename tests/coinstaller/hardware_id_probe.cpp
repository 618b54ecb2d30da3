// Reads the first hardware ID through whatever setupapi.dll it loads, into a
// buffer full of '#', and writes "RESULT TEXT" to the file named by its
// argument, for receiver_family_test.cpp.
#include <stdio.h>
#include <string.h>

#include "coinstaller/receiver_family.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  char buffer[kHardwareIdSize + 1];
  memset(buffer, '#', sizeof(buffer));
  SP_DEVINFO_DATA data = {};
  data.cbSize = sizeof(data);
  int read = ReadFirstHardwareId(nullptr, &data, buffer);
  FILE* out = fopen(argv[1], "wb");
  if (!out) return 3;
  fprintf(out, "%d %s", read, buffer);
  fclose(out);
  return 0;
}
