// Exports that exist only to be bound, never called: each returns its own
// line number, so that no two share an address.
#ifndef TESTS_FAKES_FAKE_STUB_H_
#define TESTS_FAKES_FAKE_STUB_H_

#define FAKE_STUB(name) \
  extern "C" int name(void) { return __LINE__; }

#endif  // TESTS_FAKES_FAKE_STUB_H_
