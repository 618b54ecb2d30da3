// Text and file figures: same-day package removal over INF folders of
// several sizes, line reading, and formatting. Each measurement prints
//   figure <name> <seconds> <floor-seconds>
// where the floor is the least work that gives the same bytes (raw reads, one
// formatter pass). Times are the best of several trials, taken in turn with
// the floor's so that both see the same load.
//
//   bench_text.exe [--once] [name-part ...]
// --once runs one trial per figure; name parts select the figures to run.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/file_object.h"
#include "bench_support.h"
#include "base/text_string.h"
#include "coinstaller/same_day_package.h"

namespace {

int failures = 0;
int onlyOnce = 0;
std::vector<std::string> filters;

void Fail(const char* what, const std::string& detail) {
  fprintf(stderr, "bench_text: %s: %s\n", what, detail.c_str());
  ++failures;
}

bool Wanted(const char* name) {
  if (filters.empty()) return true;
  for (const std::string& part : filters)
    if (strstr(name, part.c_str())) return true;
  return false;
}

// Best of `trials` alternating runs; each function times itself and returns
// seconds (setup between trials stays outside the time).
template <typename Measured, typename Floor>
void Figure(const char* name, int trials, Measured measured, Floor floor, double* best = nullptr,
            double* bestFloor = nullptr) {
  if (onlyOnce) trials = 1;
  double m = 1e30, f = 1e30;
  for (int i = 0; i < trials; ++i) {
    double t = floor();
    if (t < f) f = t;
    t = measured();
    if (t < m) m = t;
  }
  PrintFigure(name, m, f);
  if (best) *best = m;
  if (bestFloor) *bestFloor = f;
}

// --- Files -----------------------------------------------------------------------

bool WriteBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Open, read in `block`-byte requests to the end, close: the floor of every
// file figure. Returns the bytes read.
size_t RawRead(const char* path, char* buffer, DWORD block) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  size_t total = 0;
  DWORD got = 0;
  while (ReadFile(file, buffer, block, &got, nullptr) && got) total += got;
  CloseHandle(file);
  return total;
}

int CollectName(const WIN32_FIND_DATAA* entry, void* names) {
  static_cast<std::vector<std::string>*>(names)->push_back(entry->cFileName);
  return 1;
}

std::vector<std::string> WalkOrder(const std::string& pattern) {
  std::vector<std::string> names;
  FileObject::ForEachMatch(pattern.c_str(), CollectName, &names);
  return names;
}

void RemoveTree(const std::string& folder) {
  for (const std::string& name : WalkOrder(folder + "*")) {
    if (name == "." || name == "..") continue;
    std::string path = folder + name;
    if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
      RemoveTree(path + "\\");
    else
      DeleteFileA(path.c_str());
  }
  std::string bare = folder.substr(0, folder.size() - 1);
  RemoveDirectoryA(bare.c_str());
}

// --- INF text ----------------------------------------------------------------------

struct Random {
  unsigned state;
  unsigned Next() {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  }
};

std::string Line(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));
std::string Line(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  int length = _vsnprintf(text, sizeof(text) - 3, format, args);
  va_end(args);
  if (length < 0) length = 0;
  memcpy(text + length, "\r\n", 3);
  return text;
}

const char* const kOtherIds[] = {"USB\\VID_0BDA&PID_2831", "USB\\VID_14AA&PID_0160", "USB\\VID_14AA&PID_0620",
                                 "USB\\VID_14AA&PID_0225", "USB\\VID_14aa&PID_0221", "USB\\VID_14AA&PID_022B"};

// About `size` bytes of a driver INF. With `matching` its model list names
// a family-0 ID (in lower case, as some makers write it); otherwise only IDs
// of other families and other makers, some sharing the family's prefix.
std::string InfText(unsigned seed, bool matching, size_t size) {
  Random random = {seed * 7919u + 17u};
  std::string text;
  text += Line("; Driver package %u for USB DVB-T receivers", seed);
  text += Line("; Copyright (C) 2008 Tarnvik Electronics");
  text += "\r\n";
  text += Line("[Version]");
  text += Line("Signature=\"$Windows NT$\"");
  text += Line("Class=MEDIA");
  text += Line("ClassGUID={4d36e96c-e325-11ce-bfc1-08002be10318}");
  text += Line("Provider=%%Mfg%%");
  text += Line("DriverVer=%02u/%02u/2008,5.%u.%u.%u", 1 + random.Next() % 12, 1 + random.Next() % 28,
               random.Next() % 10, random.Next() % 100, random.Next() % 1000);
  text += Line("CatalogFile=oem%u.cat", seed);
  text += "\r\n";
  text += Line("[Manufacturer]");
  text += Line("%%Mfg%%=Models,NTx86");
  text += "\r\n";
  text += Line("[Models.NTx86]");
  unsigned models = 4 + random.Next() % 8;
  for (unsigned i = 0; i < models; ++i) {
    if (matching && i == models / 2) {
      text += Line("%%Dev%u%%=Install,usb\\vid_14aa&pid_0222", i);
    } else if (i % 2) {
      text += Line("%%Dev%u%%=Install,%s", i, kOtherIds[random.Next() % 6]);
    } else {
      text += Line("%%Dev%u%%=Install,USB\\VID_%04X&PID_%04X&MI_%02u", i, random.Next() & 0xFFFF,
                   random.Next() & 0xFFFF, random.Next() % 4);
    }
  }
  text += "\r\n";
  text += Line("[Install.NT]");
  text += Line("Include=ks.inf,wdmaudio.inf,kscaptur.inf,bda.inf");
  text += Line("Needs=KS.Registration,WDMAUDIO.Registration,BDA.Installation.NT");
  text += Line("CopyFiles=Install.CopyDrivers");
  text += Line("AddReg=Install.AddReg");
  text += "\r\n";
  text += Line("[Install.AddReg]");
  const size_t tail = 300;
  for (unsigned i = 0; text.size() + tail < size; ++i) {
    switch (random.Next() % 4) {
      case 0:
        text += Line("HKR,\"Settings\",\"TunerParameter%u\",0x00010001,%u", i, random.Next());
        break;
      case 1:
        text += Line("HKR,\"Settings\\Frequency%u\",\"Band\",0x00000000,\"%u-%u kHz\"", i,
                     random.Next() % 900000, random.Next() % 900000);
        break;
      case 2:
        text += Line("; tuner table %u", i);
        break;
      default:
        text += Line("HKR,\"Interfaces\\{%08X-%04X-11d2-%04X-00c04fb6bd3d}\",\"Filter\",,\"%%Filter%u%%\"",
                     random.Next(), random.Next() & 0xFFFF, random.Next() & 0xFFFF, i);
    }
  }
  text += "\r\n";
  text += Line("[Strings]");
  text += Line("Mfg=\"Tarnvik \xC9lectronique\"");
  text += Line("Dev0=\"Tarnvik DVB-T Empf\xE4nger\"");
  text += Line("Filter0=\"BDA RTL2831U Tuner\"");
  while (text.size() < size) text += Line("; %u", random.Next());
  return text;
}

// --- Same-day package removal -----------------------------------------------------------

const std::string kCompiled(2048, '\x5A');

struct InfFolder {
  std::string path;  // with its backslash
  int count;
  std::vector<std::string> infs;  // full paths, in the walk's order
};

std::string CompiledName(const std::string& inf) { return inf.substr(0, inf.size() - 4) + ".pnf"; }

unsigned SeedOf(const std::string& name) { return static_cast<unsigned>(atoi(name.c_str() + 3)); }

bool MakeInfFolder(InfFolder& folder) {
  if (!CreateDirectoryA(folder.path.substr(0, folder.path.size() - 1).c_str(), nullptr)) return false;
  for (int i = 0; i < folder.count; ++i) {
    std::string name = "oem" + std::to_string(i) + ".inf";
    if (!WriteBytes(folder.path + name, InfText(SeedOf(name), false, 20000)) ||
        !WriteBytes(folder.path + CompiledName(name), kCompiled))
      return false;
  }
  for (const std::string& name : WalkOrder(folder.path + "oem*.inf")) folder.infs.push_back(folder.path + name);
  return static_cast<int>(folder.infs.size()) == folder.count;
}

struct CountingWalk {
  SameDayWalk walk;
  int visits;
};

int CountThenRemove(const WIN32_FIND_DATAA* entry, void* context) {
  CountingWalk* counting = static_cast<CountingWalk*>(context);
  ++counting->visits;
  return RemoveIfSameDayPackage(entry, &counting->walk);
}

// One walk over the folder in which only the last file of the walk's order
// names family 0: every file is read and the last one is removed with its
// .pnf. The folder is put back afterwards.
double TimeRemoval(InfFolder& folder) {
  const std::string& last = folder.infs.back();
  std::string name = last.substr(folder.path.size());
  WriteBytes(last, InfText(SeedOf(name), true, 20000));
  CountingWalk counting;
  counting.walk.family = 0;
  counting.walk.folder.Assign(folder.path.c_str());
  counting.visits = 0;
  std::string pattern = folder.path + "oem*.inf";
  double start = Seconds();
  FileObject::ForEachMatch(pattern.c_str(), CountThenRemove, &counting);
  double seconds = Seconds() - start;
  if (counting.visits != folder.count || Exists(last) || Exists(CompiledName(last)))
    Fail("same-day walk", folder.path + ": not every file read, or the last one not removed");
  WriteBytes(last, InfText(SeedOf(name), false, 20000));
  WriteBytes(CompiledName(last), kCompiled);
  std::vector<std::string> order = WalkOrder(pattern);
  if (order.empty() || folder.path + order.back() != last) Fail("same-day walk", "the walk's order changed");
  return seconds;
}

double TimeRawReads(const InfFolder& folder) {
  static char buffer[65536];
  double start = Seconds();
  for (const std::string& path : folder.infs) RawRead(path.c_str(), buffer, sizeof(buffer));
  return Seconds() - start;
}

void SameDayFigures(const std::string& scratch) {
  // Files made now carry today's date in UTC; compare with the UTC date so a
  // run near midnight finds them all the same.
  sameDayClock = ::GetSystemTime;
  const int counts[] = {100, 1000, 3000};
  for (int count : counts) {
    char name[64];
    snprintf(name, sizeof(name), "same_day_%d", count);
    PrintNote(name, "same-day package walk over " + std::to_string(count) +
                        " oem*.inf files of about 20 KB, one removed; floor: one ReadFile of each whole file");
  }
  PrintNote("same_day_growth", "time per file at 3000 files; floor: time per file at 100 (ratio 1: linear)");
  double perFile[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    char name[64];
    snprintf(name, sizeof(name), "same_day_%d", counts[i]);
    if (!Wanted(name) && !Wanted("same_day_growth")) continue;
    InfFolder folder;
    folder.path = scratch + "inf" + std::to_string(counts[i]) + "\\";
    folder.count = counts[i];
    if (!MakeInfFolder(folder)) {
      Fail("setup", "cannot fill " + folder.path);
      return;
    }
    double best = 0;
    Figure(
        name, counts[i] >= 3000 ? 3 : 5, [&] { return TimeRemoval(folder); },
        [&] { return TimeRawReads(folder); }, &best);
    perFile[i] = best / counts[i];
    RemoveTree(folder.path);
  }
  if (perFile[0] > 0 && perFile[2] > 0) PrintFigure("same_day_growth", perFile[2], perFile[0]);
  sameDayClock = ::GetLocalTime;
}

// --- ReadLine --------------------------------------------------------------------------

// Lines and text bytes ReadLine must deliver for `bytes`, from the platform's
// conversion of each byte value.
void ExpectedLines(const std::string& bytes, size_t* lines, size_t* textBytes) {
  size_t width[256];
  for (unsigned b = 0; b < 256; ++b) {
    WCHAR unit[2] = {static_cast<WCHAR>(b), 0};
    char out[8];
    int written = WideCharToMultiByte(CP_ACP, 0, unit, -1, out, sizeof(out), nullptr, nullptr);
    width[b] = b == 0 || b == 10 || b == 13 || written <= 0 ? 0 : static_cast<size_t>(written - 1);
  }
  *lines = 0;
  *textBytes = 0;
  bool open = false;
  for (unsigned char b : bytes) {
    if (b == 10) {
      ++*lines;
      open = false;
    } else {
      *textBytes += width[b];
      open = open || width[b] > 0;
    }
  }
  if (open) ++*lines;
}

void ReadLineFigure(const char* name, const std::string& path, const std::string& bytes, int trials) {
  if (!Wanted(name)) return;
  if (!WriteBytes(path, bytes)) {
    Fail("setup", "cannot write " + path);
    return;
  }
  size_t lines = 0, textBytes = 0;
  ExpectedLines(bytes, &lines, &textBytes);
  static char buffer[FileObject::kReadBufferSize];
  Figure(
      name, trials,
      [&] {
        double start = Seconds();
        FileObject file;
        TextString line;
        size_t gotLines = 0, gotBytes = 0;
        if (file.Open(path.c_str(), FileObject::OpenRead, 0)) {
          while (file.ReadLine(line, 0)) {
            ++gotLines;
            gotBytes += static_cast<size_t>(line.Length());
          }
        }
        double seconds = Seconds() - start;
        if (gotLines != lines || gotBytes != textBytes) Fail(name, "wrong lines");
        return seconds;
      },
      // ReadLine reads through 4096-byte blocks: so does its floor.
      [&] {
        double start = Seconds();
        size_t got = RawRead(path.c_str(), buffer, sizeof(buffer));
        double seconds = Seconds() - start;
        if (got != bytes.size()) Fail(name, "short raw read");
        return seconds;
      });
  DeleteFileA(path.c_str());
}

void ReadLineFigures(const std::string& scratch) {
  std::string inf;
  for (unsigned seed = 0; inf.size() < 4u << 20; ++seed) inf += InfText(seed, seed % 7 == 0, 20000);
  PrintNote("read_line_inf_4mb", "ReadLine, byte mode, over 4 MB of INF text; floor: ReadFile of it in 4096-byte blocks");
  ReadLineFigure("read_line_inf_4mb", scratch + "lines.inf", inf, 5);
  std::string longLine;
  Random random = {42};
  while (longLine.size() < 1u << 20) longLine += static_cast<char>(' ' + random.Next() % 95);
  PrintNote("read_line_1mb_line", "ReadLine, byte mode, of one 1 MB line; floor: ReadFile of it in 4096-byte blocks");
  ReadLineFigure("read_line_1mb_line", scratch + "long.txt", longLine + "\r\n", 3);
}

// --- Format ------------------------------------------------------------------------------

int FloorFormat(char* buffer, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int length = _vsnprintf(buffer, size, format, args);
  va_end(args);
  return length;
}

int FloorCount(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int length = _vscprintf(format, args);
  va_end(args);
  return length;
}

// Formats "%s %08X %d %s" into a fresh default-size string `repeats` times;
// the floor is one pass into a buffer that is already big enough (or, for a
// refusal, one count of the output).
void FormatFigure(const char* name, const std::string& first, const std::string& second, int repeats, int trials) {
  if (!Wanted(name)) return;
  const char* format = "%s %08X %d %s";
  const unsigned hex = 0xC0FFEEu;
  const int number = -123456;
  int length = FloorCount(format, first.c_str(), hex, number, second.c_str());
  const bool refused = static_cast<unsigned>(length) + 1 > TextString::kFormatCeiling;
  std::vector<char> big(static_cast<size_t>(length) + 1);
  TextString text;
  Figure(
      name, trials,
      [&] {
        double start = Seconds();
        int result = 0;
        for (int i = 0; i < repeats; ++i) {
          text.Reset(TextString::kDefaultCapacity);
          result = text.Format(format, first.c_str(), hex, number, second.c_str());
        }
        double seconds = (Seconds() - start) / repeats;
        if (result != (refused ? 0 : 1) || text.Length() != (refused ? 0 : length)) Fail(name, "wrong result");
        return seconds;
      },
      [&] {
        double start = Seconds();
        for (int i = 0; i < repeats; ++i) {
          if (refused)
            FloorCount(format, first.c_str(), hex, number, second.c_str());
          else
            FloorFormat(big.data(), big.size(), format, first.c_str(), hex, number, second.c_str());
        }
        return (Seconds() - start) / repeats;
      });
}

void FormatFigures() {
  PrintNote("format_600", "Format of a 600-byte result into a new string; floor: one _vsnprintf into a buffer big enough");
  PrintNote("format_1mb", "Format of a 1 MB result into a new string; floor: one _vsnprintf into a buffer big enough");
  PrintNote("format_refusal", "Format of a 3.5 MB result, refused; floor: one _vscprintf of it");
  // " 00C0FFEE -123456 " takes 18 bytes beside the two texts.
  FormatFigure("format_600", std::string(300, 'p'), std::string(282, 's'), 2000, 5);
  FormatFigure("format_1mb", std::string(512 << 10, 'p'), std::string((512 << 10) - 18, 's'), 20, 5);
  FormatFigure("format_refusal", std::string(2 << 20, 'p'), std::string(1536 << 10, 's'), 10, 5);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--once") == 0)
      onlyOnce = 1;
    else
      filters.push_back(argv[i]);
  }
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) return 2;
  std::string scratch = std::string(temp) + "bramcot-bench-" + std::to_string(GetCurrentProcessId()) + "\\";
  if (!CreateDirectoryA(scratch.substr(0, scratch.size() - 1).c_str(), nullptr)) return 2;

  FormatFigures();
  ReadLineFigures(scratch);
  SameDayFigures(scratch);

  RemoveTree(scratch);
  return failures ? 1 : 0;
}
