// quenmark: analyses and normalizes audio files through the TavrikQuenmark VST3 plug-in,
// loaded and driven by our own VST3 host.
#include "tools/quenmark/Commands.h"
#include "tools/quenmark/Interruption.h"
#include "tools/quenmark/Options.h"
#if QUENMARK_SCREENSHOT
#include "tools/quenmark/Screenshot.h"
#endif
#include "tools/quenmark/ToolError.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
  using namespace quenmark;
  handleInterruptions();
  try
  {
#if QUENMARK_SCREENSHOT
    if (argc > 1 && std::string(argv[1]) == "screenshot")
      return runScreenshot(std::vector<std::string>(argv + 2, argv + argc));
#endif
    const Options options = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    switch (options.command)
    {
    case Command::kHelp: std::cout << usageText(); return kExitOk;
    case Command::kVersion: std::cout << versionText(); return kExitOk;
    case Command::kAnalyze: return runAnalyze(options, std::cout, std::cerr);
    case Command::kNormalize: return runNormalize(options, std::cout, std::cerr);
    case Command::kInfo: return runInfo(options, std::cout);
    }
  }
  catch (const ToolError& error)
  {
    std::cerr << "quenmark: " << error.what() << "\n";
    return error.code();
  }
  catch (const std::exception& error)
  {
    std::cerr << "quenmark: " << error.what() << "\n";
    return kExitFailure;
  }
  return kExitFailure;
}
