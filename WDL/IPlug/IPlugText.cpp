#include "WDL/IPlug/IPlugText.h"

#include <climits>
#include <cmath>
#include <cstring>

void CopyText(char* destination, std::size_t capacityBytes, const char* source)
{
  if (destination == nullptr || capacityBytes == 0)
    return;
  if (source == nullptr)
  {
    destination[0] = '\0';
    return;
  }
  std::size_t length = 0;
  while (length < capacityBytes - 1 && source[length] != '\0')
    ++length;
  if (source[length] != '\0')
  {
    // Cut: drop continuation bytes (10xxxxxx) and the lead byte they belong to, unless
    // the whole sequence fits.
    std::size_t cut = length;
    while (cut > 0 && (static_cast<unsigned char>(source[cut]) & 0xC0) == 0x80)
      --cut;
    length = cut;
  }
  std::memmove(destination, source, length);
  destination[length] = '\0';
}

int TruncateToInt(double value)
{
  if (std::isnan(value))
    return 0;
  if (value >= static_cast<double>(INT_MAX))
    return INT_MAX;
  if (value <= static_cast<double>(INT_MIN))
    return INT_MIN;
  return static_cast<int>(value);
}
