#pragma once

// Maps a parameter's real values to normalized values 0 .. 1 and back.
template <typename T>
class AAX_ITaperDelegate
{
public:
  virtual ~AAX_ITaperDelegate() = default;
  virtual AAX_ITaperDelegate* Clone() const = 0;
  virtual T GetMaximumValue() const = 0;
  virtual T GetMinimumValue() const = 0;
  virtual T ConstrainRealValue(T value) const = 0;
  virtual T NormalizedToReal(double normalized) const = 0;
  virtual double RealToNormalized(T value) const = 0;
};
