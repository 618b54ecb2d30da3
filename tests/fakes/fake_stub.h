// Exports that exist only to be bound, never called: each returns a number
// of its own, so that no two share an address.
#ifndef TESTS_FAKES_FAKE_STUB_H_
#define TESTS_FAKES_FAKE_STUB_H_

#define FAKE_EXPORT extern "C" __declspec(dllexport)
#define FAKE_STUB(name) \
  FAKE_EXPORT int name(void) { return __COUNTER__; }

#endif  // TESTS_FAKES_FAKE_STUB_H_
