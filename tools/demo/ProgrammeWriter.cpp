// Writes the embedded default programme as a 32-bit float WAV file, the input of the
// demonstration: quenmark-programme OUT.wav [SECONDS]
#include "tools/demo/Programme.h"

#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
  if (argc < 2 || argc > 3)
  {
    std::fprintf(stderr, "usage: quenmark-programme OUT.wav [SECONDS]\n");
    return 2;
  }
  const double seconds = argc == 3 ? std::atof(argv[2]) : 20.0;
  if (!(seconds > 0.0 && seconds <= 3600.0))
  {
    std::fprintf(stderr, "quenmark-programme: SECONDS is a length from 0 to 3600, not \"%s\"\n", argv[2]);
    return 2;
  }
  const Programme programme = MakeDefaultProgramme(48000, seconds);
  SF_INFO info{};
  info.samplerate = programme.sampleRate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
  if (file == nullptr)
  {
    std::fprintf(stderr, "quenmark-programme: cannot create %s: %s\n", argv[1], sf_strerror(nullptr));
    return 1;
  }
  std::vector<double> interleaved(2 * static_cast<size_t>(programme.frames()));
  for (size_t i = 0; i < static_cast<size_t>(programme.frames()); ++i)
  {
    interleaved[2 * i] = programme.left[i];
    interleaved[2 * i + 1] = programme.right[i];
  }
  const bool written = sf_writef_double(file, interleaved.data(), programme.frames()) == programme.frames();
  if (sf_close(file) != 0 || !written)
  {
    std::fprintf(stderr, "quenmark-programme: writing %s failed\n", argv[1]);
    return 1;
  }
  std::printf("%s: the default programme, %.0f s of stereo pink noise stepping between -30 and -12 dBFS peak, "
              "48000 Hz, 32-bit float WAV\n",
              argv[1], seconds);
  return 0;
}
