// Hosts call process from their audio thread while the UI thread reads parameters and
// saves the state; conformance tools also process from a second thread.

#include "BundleFixture.h"

#include <atomic>
#include <thread>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace bundletest;

namespace
{
constexpr double kRate = 48000.;

class Threads : public ::testing::TestWithParam<int32>
{
};

INSTANTIATE_TEST_SUITE_P(SampleSizes, Threads, ::testing::Values(kSample32, kSample64), sampleSizeName);
} // namespace

TEST_P(Threads, ProcessOnAnotherThreadWhileTheUiThreadReadsAndSaves)
{
  auto plugin = newInstance();
  ASSERT_TRUE(plugin);
  Ids id(*plugin);
  vst3host::RunnerConfig config;
  config.symbolicSampleSize = GetParam();
  config.sampleRate = kRate;
  config.maxBlockFrames = 256;
  auto started = vst3host::ProcessRunner::start(*plugin, config);
  ASSERT_TRUE(started.ok()) << started.message();
  std::unique_ptr<vst3host::ProcessRunner> runner = started.take();
  // The audio thread starts processing itself, as validators do.
  ASSERT_TRUE(plugin->setProcessing(false).ok());

  std::atomic<bool> done{false};
  std::atomic<bool> reading{false};
  std::atomic<int> failures{0};
  std::thread audio([&] {
    // The blocks start once the reader runs, so the two overlap however fast either is.
    while (!reading.load())
      std::this_thread::yield();
    const tresult started = plugin->processor()->setProcessing(1);
    if (started != kResultOk && started != kNotImplemented)
      ++failures;
    const Planar in = sine(2, 256, kRate, 440., 0.3);
    Planar out(2, 256);
    runner->setPlaying(true);
    for (int block = 0; block < 2000; ++block)
    {
      if (block % 100 == 0)
        runner->queueChange(id.measure, block % 200 == 0 ? 0.2 : 0.8);
      if (!runner->process(in.in().data(), out.out().data(), 256).ok())
        ++failures;
    }
    plugin->processor()->setProcessing(0);
    done = true;
  });
  int reads = 0;
  while (!done)
  {
    reading = true;
    (void)plugin->normalizedValue(id.gain);
    (void)plugin->valueText(id.measure, 0.4);
    auto state = plugin->saveState();
    if (!state.ok() || state.value().size() < 8)
      ++failures;
    ++reads;
  }
  audio.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_GT(reads, 0);
}
