#pragma once

#include "WDL/IPlug/IPlugStructs.h"

#include <cstddef>
#include <vector>

enum EParamKind
{
  kKindNone = 0,
  kKindBool = 1,
  kKindInt = 2,    // known to the editor's text entry; no initialiser creates it
  kKindEnum = 3,
  kKindDouble = 4
};

// One automatable parameter. The value is held in the parameter's own units (the plain
// value) and is always finite and inside min .. max; hosts and editor controls exchange
// normalized values in 0 .. 1, converted here with the shape as exponent.
//
// Not thread-safe by itself: the plug-in reads and writes its parameters under the
// plug-in mutex.
class IPlugParam
{
public:
  IPlugParam() = default;

  // The initialisers set the kind only while it is still kKindNone, so a parameter
  // initialised a second time keeps its first kind. Texts are cut to 31 bytes.
  // step sets the quantization and the display precision (decimals of the step, at most
  // 6); the range is widened to at least one step. shape 0 (or a value that is not a
  // positive finite number) keeps the previous shape.
  void InitContinuous(const char* name, double defaultValue, double minValue, double maxValue,
                      double step, const char* label = "", const char* group = "", double shape = 1.0);
  // 0 .. 1 with step 0.1 and the display texts "off" and "on".
  void InitBoolean(const char* name, bool defaultValue, const char* label = "", const char* group = "");
  // 0 .. count - 1 with step 0.1; the caller adds the display texts.
  void InitEnumerated(const char* name, int defaultValue, int count, const char* label = "",
                      const char* group = "");
  // Appends an entry; entries are never replaced, so the first one for a value wins.
  void AddDisplayText(int value, const char* text);

  // Clamps into min .. max (infinities give the bound); NaN is ignored.
  void SetValue(double value);
  // Clamps normalized into 0 .. 1, maps it through the shape, snaps enumerated and
  // boolean values to the step (continuous ones only when the step is exactly 1) and
  // stores the result clamped into the range. NaN is ignored.
  void SetFromNormalized(double normalized);
  double ToNormalized() const { return ToNormalized(mValue); }
  double ToNormalized(double value) const;
  // True when a and b are one value at the parameter's resolution (a thousandth of its
  // step): what a host's round trip through normalized values, 32-bit floats or its
  // stored automation does to a value is no change, while any edit a user can make is.
  bool SameValue(double a, double b) const;

  // Host texts.
  const char* NameForHost() const { return mName; }
  // Empty when the current value shows a non-empty display text; otherwise the label.
  const char* LabelForHost() const;
  const char* GroupForHost() const { return mGroup; }
  // Writes the value as the host shows it: its display text when withDisplayTexts and
  // one exists, else the number with the display precision (truncated to an integer at
  // precision 0). value is plain, or normalized when normalized is true. out always ends
  // up zero-terminated (when outBytes > 0).
  void FormatForHost(double value, bool normalized, char* out, std::size_t outBytes,
                     bool withDisplayTexts = true) const;
  int DisplayTextCount() const { return static_cast<int>(mDisplayTexts.size()); }
  // The first entry's text for value truncated to an integer, or empty text.
  const char* DisplayTextFor(double value) const;
  // Entry by position (nullptr outside), for controls that list every choice.
  const char* DisplayTextAt(int position, int* value = nullptr) const;

  EParamKind Kind() const { return mKind; }
  double Value() const { return mValue; }
  double Min() const { return mMin; }
  double Max() const { return mMax; }
  double Step() const { return mStep; }
  double Shape() const { return mShape; }
  double Default() const { return mDefault; }
  int DisplayPrecision() const { return mDisplayPrecision; }
  const char* Name() const { return mName; }
  const char* Label() const { return mLabel; }
  const char* Group() const { return mGroup; }
  bool NegateDisplay() const { return mNegateDisplay; }
  bool CanAutomate() const { return mCanAutomate; }

private:
  struct DisplayText
  {
    int value = 0;
    char text[kParamTextBytes] = "";
  };

  double FromNormalized(double normalized) const;
  const DisplayText* FindDisplayText(double value) const;

  EParamKind mKind = kKindNone;
  double mValue = 0.0;
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mShape = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  char mName[kParamTextBytes] = "";
  char mLabel[kParamTextBytes] = "";
  char mGroup[kParamTextBytes] = "";
  bool mNegateDisplay = false;
  bool mCanAutomate = true;
  std::vector<DisplayText> mDisplayTexts;
};
