#pragma once

#include <cstddef>

// Fixed-size text fields. Every name, label and display text of the framework lives in
// a char array of a known size; these helpers fill one without ever writing past it.

// Copies source into destination (capacityBytes including the terminating zero). A null
// source gives empty text. Text that does not fit is cut at capacityBytes - 1 bytes,
// moved back to the start of a UTF-8 sequence so a cut never leaves half a character.
void CopyText(char* destination, std::size_t capacityBytes, const char* source);

template <std::size_t N>
void CopyText(char (&destination)[N], const char* source)
{
  CopyText(destination, N, source);
}

// Saturating conversion used wherever a plain value is read "as an integer": truncates
// toward zero, NaN gives 0, values beyond the int range give its bounds.
int TruncateToInt(double value);
