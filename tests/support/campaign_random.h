// Fixed-seed random numbers for the random-input campaigns: the same
// sequence on every run and in both builds (the Windows tests and the native
// sanitizer build), so a failing case can be replayed from its seed and index.
#ifndef TESTS_SUPPORT_CAMPAIGN_RANDOM_H_
#define TESTS_SUPPORT_CAMPAIGN_RANDOM_H_

#include <stddef.h>

#include <gtest/gtest.h>

#include <random>

namespace testing_support {

class CampaignRandom {
 public:
  explicit CampaignRandom(unsigned seed) : engine(seed) {}

  unsigned Next() { return static_cast<unsigned>(engine()); }
  // 0 .. n-1; 0 when n is 0.
  unsigned Below(unsigned n) { return n ? Next() % n : 0; }
  bool OneIn(unsigned n) { return Below(n) == 0; }
  template <class T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  std::mt19937 engine;  // its sequence is fixed by the C++ standard; the distributions' are not
};

// The one campaign driver: `count` cases from `seed`, each made by
// make(random) and judged by check(input). A failure names the seed and the
// case index, which replay it; the first fatal failure ends the campaign.
template <class Make, class Check>
void RunCampaign(unsigned seed, int count, Make make, Check check) {
  CampaignRandom random(seed);
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << " of seed " << seed);
    check(make(random));
    if (testing::Test::HasFatalFailure()) return;
  }
}

}  // namespace testing_support

#endif  // TESTS_SUPPORT_CAMPAIGN_RANDOM_H_
