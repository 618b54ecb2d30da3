#include "crash/minidump.h"

#include <string.h>
#include <wchar.h>

#include "base/waitable_handle.h"
#include "crash/crash_formats.h"

namespace {

// Copies the text at `address` in this process, at most 99 characters, into
// `name` (100 bytes) without faulting: a pointer that cannot be read gives an
// empty name. 1 when something was read.
int ReadTextSafely(const void* address, char* name) {
  name[0] = 0;
  if (!address) return 0;
  // Read page by page, so a text that ends just before an unreadable page is
  // still read in full.
  const SIZE_T kLimit = 99;
  SIZE_T copied = 0;
  const char* from = static_cast<const char*>(address);
  while (copied < kLimit) {
    UINT_PTR at = reinterpret_cast<UINT_PTR>(from + copied);
    SIZE_T toPageEnd = 4096 - (at & 4095);
    SIZE_T chunk = kLimit - copied < toPageEnd ? kLimit - copied : toPageEnd;
    SIZE_T read = 0;
    if (!ReadProcessMemory(GetCurrentProcess(), from + copied, name + copied, chunk, &read) || read != chunk) break;
    if (memchr(name + copied, 0, chunk)) return 1;
    copied += chunk;
  }
  name[copied] = 0;
  return copied != 0;
}

}  // namespace

Minidump::Minidump(DebugHelp& help) : debugHelp(help), heap(nullptr) {
  threads.Open();
  modules.Open();
  heap = HeapCreate(0, 0, 0);
}

Minidump::~Minidump() {
  if (heap) HeapDestroy(heap);
}

void Minidump::Load() {
  if (!ntdll.Loaded() && ntdll.Load("ntdll.dll")) ntQueryInformationThread.Bind(ntdll, "NtQueryInformationThread");
}

void Minidump::Write(HANDLE file, EXCEPTION_POINTERS* pointers, DWORD threadId) {
  MINIDUMP_EXCEPTION_INFORMATION exception = {threadId, pointers, FALSE};
  MINIDUMP_CALLBACK_INFORMATION callback = {RecordCallback, this};
  debugHelp.WriteDump(file, pointers ? &exception : nullptr, &callback);
}

BOOL CALLBACK Minidump::RecordCallback(PVOID self, const PMINIDUMP_CALLBACK_INPUT input, PMINIDUMP_CALLBACK_OUTPUT) {
  Minidump* dump = static_cast<Minidump*>(self);
  if (!dump || !input || !dump->heap) return TRUE;
  if (input->CallbackType == ModuleCallback) {
    const MINIDUMP_MODULE_CALLBACK& module = input->Module;
    ModuleRecord* record = static_cast<ModuleRecord*>(HeapAlloc(dump->heap, HEAP_ZERO_MEMORY, sizeof(ModuleRecord)));
    if (!record) return TRUE;
    record->baseOfImage = StoredAddress(module.BaseOfImage);
    record->sizeOfImage = module.SizeOfImage;
    record->checkSum = module.CheckSum;
    record->timeDateStamp = module.TimeDateStamp;
    record->versionInfo = module.VersionInfo;
    if (module.FullPath) {
      size_t bytes = 2 * wcslen(module.FullPath) + 2;
      record->path = static_cast<WCHAR*>(HeapAlloc(dump->heap, 0, bytes));
      if (record->path) memcpy(record->path, module.FullPath, bytes);
    }
    dump->modules.Append(record);
  } else if (input->CallbackType == ThreadCallback) {
    const MINIDUMP_THREAD_CALLBACK& thread = input->Thread;
    ThreadRecord* record = static_cast<ThreadRecord*>(HeapAlloc(dump->heap, HEAP_ZERO_MEMORY, sizeof(ThreadRecord)));
    if (!record) return TRUE;
    record->threadId = thread.ThreadId;
    record->stackBase = thread.StackBase;
    record->stackEnd = thread.StackEnd;
    // Wine hands the callback no thread handle: the thread is then opened by id.
    WaitableHandle opened;
    HANDLE handle = thread.ThreadHandle;
    if (!handle) {
      opened.Attach(OpenThread(THREAD_QUERY_INFORMATION | THREAD_GET_CONTEXT, FALSE, thread.ThreadId), 1);
      handle = opened.Handle();
    }
    // The thread's information block, from its basic information; the FS
    // selector only where that is not available (Wine answers the selector
    // query with the calling thread's block, not the one asked for).
    UINT_PTR block = 0;
    if (handle && dump->ntQueryInformationThread) {
      struct {
        LONG exitStatus;
        void* teb;
        void* clientId[2];
        ULONG_PTR affinity;
        LONG priority;
        LONG basePriority;
      } basic = {};
      const ULONG kBasicInformation = 0;
      if (dump->ntQueryInformationThread(handle, kBasicInformation, &basic, sizeof(basic), nullptr) >= 0)
        block = reinterpret_cast<UINT_PTR>(basic.teb);
    }
    LDT_ENTRY entry;
    if (!block && handle && GetThreadSelectorEntry(handle, thread.Context.SegFs, &entry)) {
      block = entry.BaseLow | (static_cast<UINT_PTR>(entry.HighWord.Bytes.BaseMid) << 16) |
              (static_cast<UINT_PTR>(entry.HighWord.Bytes.BaseHi) << 24);
    }
    if (block) {
      // The field belongs to another thread and may hold anything: both the
      // pointer and its text are read without trusting them.
      const void* text = nullptr;
      SIZE_T read = 0;
      const UINT_PTR kArbitraryUserPointer = 0x14;
      if (ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(block + kArbitraryUserPointer), &text,
                            sizeof(text), &read) &&
          read == sizeof(text))
        ReadTextSafely(text, record->name);
    }
    const ULONG kWin32StartAddress = 9;
    if (handle && dump->ntQueryInformationThread)
      dump->ntQueryInformationThread(handle, kWin32StartAddress, &record->startAddress, sizeof(record->startAddress),
                                     nullptr);
    dump->threads.Append(record);
  }
  return TRUE;
}

void Minidump::WriteModuleList(HANDLE file, const CrashRules& rules, char* buffer, size_t size) {
  if (!modules.First()) return;
  DWORD written = 0;
  static const char kHeader[] =
      "\r\nModuleList:\r\n"
      "    Size TimeStamp                      CheckSum   ImageBase  Versions\r\n";
  WriteFile(file, kHeader, sizeof(kHeader) - 1, &written, nullptr);
  while (ModuleRecord* record = modules.First()) {
    ULONGLONG ticks = (static_cast<ULONGLONG>(record->timeDateStamp) + 11644473600ULL) * 10000000ULL;
    FILETIME utc = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    FILETIME local = {0, 0};
    SYSTEMTIME time;
    memset(&time, 0, sizeof(time));
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &time);
    int length = FormatModuleRow(buffer, size, *record, time, rules);
    WriteFile(file, buffer, static_cast<DWORD>(length), &written, nullptr);
    modules.Remove(record);
    if (record->path) HeapFree(heap, 0, record->path);
    HeapFree(heap, 0, record);
  }
}

void Minidump::WriteThreadList(HANDLE file, int nt, char* buffer, size_t size) {
  if (!threads.First()) return;
  DWORD written = 0;
  static const char kHeader[] =
      "\r\nThreadList:\r\n"
      "Id         StackBase  StackEnd   StartAddress\r\n";
  WriteFile(file, kHeader, sizeof(kHeader) - 1, &written, nullptr);
  static char symbol[1024];
  while (ThreadRecord* record = threads.First()) {
    if (!debugHelp.SymbolForAddress(record->startAddress, symbol, sizeof(symbol), nullptr, nullptr)) symbol[0] = 0;
    int length = FormatThreadRow(buffer, size, *record, symbol, nt);
    WriteFile(file, buffer, static_cast<DWORD>(length), &written, nullptr);
    threads.Remove(record);
    HeapFree(heap, 0, record);
  }
}
