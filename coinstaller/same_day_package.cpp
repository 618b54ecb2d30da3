#include "coinstaller/same_day_package.h"

#include "base/file_object.h"

LocalTimeFunction* sameDayClock = ::GetLocalTime;

namespace {

// The bytes below 0x80 that all `count` texts start with (count > 0): only
// single-byte characters, so a text found anywhere has its start there too.
void SharedStart(const char* const* texts, size_t count, TextString& start) {
  size_t length = 0;
  for (;; ++length) {
    unsigned char c = static_cast<unsigned char>(texts[0][length]);
    size_t i = 1;
    while (i < count && static_cast<unsigned char>(texts[i][length]) == c) ++i;
    if (c == 0 || c >= 0x80 || i < count) break;
  }
  start.AssignN(texts[0], static_cast<unsigned>(length));
}

int NamesFamily(FileObject& file, ReceiverFamily family) {
  size_t count = 0;
  const char* const* ids = FamilyIdTexts(family, &count);
  // A line without the start the IDs share names none of them: one search
  // passes over most lines instead of one per ID.
  TextString shared;
  if (count > 1) SharedStart(ids, count, shared);
  // The whole file is read: one with a line over the cap is skipped whole.
  TextString line;
  int found = 0;
  while (file.ReadLine(line, 0, kPackageLineCap)) {
    if (found || (shared.Length() > 0 && line.FindNoCase(shared.Buffer()) < 0)) continue;
    for (size_t i = 0; i < count && !found; ++i) found = line.FindNoCase(ids[i]) >= 0;
  }
  return found && !file.LineTooLong();
}

}  // namespace

int RemoveIfSameDayPackage(const WIN32_FIND_DATAA* entry, void* context) {
  SameDayWalk* walk = static_cast<SameDayWalk*>(context);
  if (entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 1;
  // "oem*.inf" also matches through short names ("oem3.infx" is OEM3~1.INF).
  const int nameLength = lstrlenA(entry->cFileName);
  if (nameLength < 4 || lstrcmpiA(entry->cFileName + nameLength - 4, ".inf") != 0) return 1;

  FILETIME local;
  SYSTEMTIME created, today;
  if (!FileTimeToLocalFileTime(&entry->ftCreationTime, &local) ||
      !FileTimeToSystemTime(&local, &created))
    return 1;
  sameDayClock(&today);
  if (created.wDay != today.wDay || created.wMonth != today.wMonth || created.wYear != today.wYear) return 1;

  TextString path;
  if (!path.Format("%s%s", walk->folder.Buffer(), entry->cFileName)) return 1;
  FileObject file;
  if (!file.Open(path.Buffer(), FileObject::OpenRead, 0)) return 1;
  int found = NamesFamily(file, walk->family);
  file.Close();
  if (!found) return 1;

  FileObject::Delete(path.Buffer());
  // Only the final ".inf" becomes ".pnf"; names ignore case, so "OEM7.pnf"
  // removes "OEM7.PNF".
  TextString compiled;
  compiled.AssignN(entry->cFileName, static_cast<unsigned>(nameLength - 4));
  compiled.Append(".pnf");
  if (path.Format("%s%s", walk->folder.Buffer(), compiled.Buffer())) FileObject::Delete(path.Buffer());
  return 0;
}

void RemoveSameDayPackage(ReceiverFamily family) {
  SameDayWalk walk;
  walk.family = family;
  UINT length = GetWindowsDirectoryA(walk.folder.Buffer(), walk.folder.Capacity());
  if (length == 0 || length > static_cast<UINT>(walk.folder.Capacity())) return;
  walk.folder.Recount();
  walk.folder.EnsureTrailingBackslash();
  walk.folder.Append("inf\\");
  TextString pattern;
  pattern.Assign(walk.folder);
  pattern.Append("oem*.inf");
  FileObject::ForEachMatch(pattern.Buffer(), RemoveIfSameDayPackage, &walk);
}
