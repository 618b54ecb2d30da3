// A library that loads but exports none of the functions looked up: copied
// under a platform library's name, it stands for one lacking its exports.
#include "fakes/fake_log.h"

// Never called: a library needs an export to be built.
FAKE_EXPORT int FakeNothing(void) { return 0; }
