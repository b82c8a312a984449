#pragma once

#include <atomic>
#include <string>

// The three readouts of the editor: the measured level, its unit and the applied gain.
// The audio thread stores the numbers once per block; whoever shows them (the editor's
// thread) loads and formats them. Lock-free, so the audio thread never waits for a
// reader and never formats text.
class Readouts
{
public:
  Readouts() = default;
  Readouts(const Readouts&) = delete;
  Readouts& operator=(const Readouts&) = delete;

  // Levels and gains at or below this show "-INF".
  static constexpr double kInfinityThresholdDb = -99.0;

  // [audio thread]
  void storeLevel(double level, int measure)
  {
    mLevel.store(level, std::memory_order_relaxed);
    mMeasure.store(measure, std::memory_order_relaxed);
    // One writer: a plain store, no locked read-modify-write on the audio thread.
    mLevelVersion.store(mLevelVersion.load(std::memory_order_relaxed) + 1, std::memory_order_release);
  }
  // [audio thread]
  void storeGainDb(double gainDb)
  {
    mGainDb.store(gainDb, std::memory_order_relaxed);
    mGainVersion.store(mGainVersion.load(std::memory_order_relaxed) + 1, std::memory_order_release);
  }

  // [any thread]
  double level() const { return mLevel.load(std::memory_order_relaxed); }
  int measure() const { return mMeasure.load(std::memory_order_relaxed); }
  double gainDb() const { return mGainDb.load(std::memory_order_relaxed); }
  // Counters that change with every store, so a reader can tell whether to redraw.
  unsigned levelVersion() const { return mLevelVersion.load(std::memory_order_acquire); }
  unsigned gainVersion() const { return mGainVersion.load(std::memory_order_acquire); }

  // The texts the labels show.
  static std::string LevelText(double level);          // "%+2.1f", or "-INF"
  static std::string UnitText(int measure, double level); // "dBFS", "VU", "RMS", "LUFS"; "" at -INF
  static std::string GainText(double gainDb);          // "%+2.1f dB", or "-INF"

private:
  std::atomic<double> mLevel{-100.0};
  std::atomic<int> mMeasure{0};
  std::atomic<double> mGainDb{0.0};
  std::atomic<unsigned> mLevelVersion{0};
  std::atomic<unsigned> mGainVersion{0};
};
