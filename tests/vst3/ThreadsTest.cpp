// A host's audio thread processing while its user-interface thread reads parameters,
// saves and restores state: the plug-in mutex keeps every call whole.

#include "Vst3Host.h"

#include <atomic>
#include <thread>

using namespace vst3test;

namespace
{
TEST(Vst3Threads, ProcessOnAnotherThreadWhileTheHostReadsAndRestores)
{
  Instance i(u"Test Host", kSample32, 256);
  const std::vector<uint8> saved = stateOf(*i.plug);
  std::atomic<bool> done{false};
  std::atomic<int> failures{0};

  std::thread audio([&] {
    Block<float> block(2, 256, 0.2);
    for (int n = 0; n < 400; ++n)
    {
      block.change(kTargetValue, (n % 10) / 10.0).change(kMode, n % 2).change(IPlugVST3::kBypassParamId, n % 3 == 0);
      if (block.run(*i.plug) != kResultOk || !std::isfinite(block.outAt(0, 255)))
        ++failures;
    }
    done = true;
  });
  int rounds = 0;
  while (!done || rounds < 20)
  {
    String128 text{};
    i->getParamNormalized(kTargetValue);
    i->getParamNormalized(IPlugVST3::kBypassParamId);
    i->getParamStringByValue(kTargetValue, 0.3, text);
    i->plainParamToNormalized(kGain, 3.0);
    if (stateOf(*i.plug).empty() || restore(*i.plug, saved) != kResultOk)
      ++failures;
    ++rounds;
  }
  audio.join();
  EXPECT_EQ(failures, 0);
}
} // namespace
