// Feeds arbitrary bytes to the product's state reader. The first byte chooses where the
// state starts (0 .. 7, or -1 for 255); the rest is the chunk. After any input every
// parameter must be finite and inside its range, the measured level inside the level's
// range, a chunk that is refused must have changed nothing, and the state written
// afterwards must read back.
#include "product/TavrikQuenmark.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  static TavrikQuenmark* plug = [] {
    auto* p = new TavrikQuenmark();
    p->SetHost("fuzz host", 0);
    p->LoadPreset(0);
    p->SetSampleRate(48000.0);
    p->SetBlockFrames(64);
    p->ResetProcessing();
    return p;
  }();
  if (size == 0)
    return 0;
  const int start = data[0] == 255 ? -1 : data[0] % 8;
  ChunkBuffer chunk;
  chunk.PutBytes(data + 1, static_cast<int>(size - 1));
  ChunkBuffer before;
  plug->SerializeState(before);
  if (plug->RestoreState(chunk, start) <= 0)
  {
    ChunkBuffer after;
    plug->SerializeState(after);
    if (after.Size() != before.Size() || std::memcmp(after.Data(), before.Data(), static_cast<size_t>(after.Size())) != 0)
      std::abort();
  }
  const double level = plug->MeasuredLevel();
  if (!(level >= -100.0 && level <= 90.0))
    std::abort();

  for (int i = 0; i < plug->ParamCount(); ++i)
  {
    const IPlugParam* p = plug->ParamAt(i);
    if (!std::isfinite(p->Value()) || p->Value() < p->Min() || p->Value() > p->Max())
      std::abort();
  }
  ChunkBuffer saved;
  if (!plug->SerializeState(saved) || plug->RestoreState(saved, 0) != saved.Size())
    std::abort();
  return 0;
}
