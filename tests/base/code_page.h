// Code-page dependent tests run twice: base_test runs under LC_ALL=C (Wine
// gives ANSI code page 1252), base_test.cp932 under LC_ALL=ja_JP.UTF-8 (Wine
// gives code page 932, Shift-JIS, with double-byte characters). Each such
// test skips itself, with the reason, in the run of the other code page.
#ifndef TESTS_BASE_CODE_PAGE_H_
#define TESTS_BASE_CODE_PAGE_H_

#include <windows.h>

#include <gtest/gtest.h>

#define REQUIRE_ANSI_CODE_PAGE(cp)                                                        \
  do {                                                                                  \
    if (GetACP() != (cp))                                                               \
      GTEST_SKIP() << "needs ANSI code page " << (cp) << ", this run has " << GetACP()  \
                   << " (base_test runs under 1252, base_test.cp932 under 932)";        \
  } while (0)

#endif  // TESTS_BASE_CODE_PAGE_H_
