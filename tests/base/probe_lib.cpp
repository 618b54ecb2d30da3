// A library that nothing else loads, so a test can watch its reference count.
#include <windows.h>

extern "C" int WINAPI ProbeAdd(int a, int b) { return a + b; }
extern "C" int WINAPI ProbeValue() { return 42; }
