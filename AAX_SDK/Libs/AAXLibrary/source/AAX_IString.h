#pragma once

// Text crossing the interface in both directions. AAX_IString is a plain C++ interface
// (no IACFUnknown) whose v-table is declared in the layout of Windows hosts' compiler:
// one destructor slot first, then the methods, the two assignments in reverse order. The
// slot-0 placeholder stands in for that destructor, so one declaration serves every
// compiler; the Linux build uses the same layout, and so does our Linux test host.
// Nothing deletes through this interface: no side calls slot 0 on the other's object.

#include <cstdint>
#include <string>

class AAX_IString
{
public:
  virtual void* DestructorSlot(unsigned int flags) = 0; // slot 0: never called across
  virtual uint32_t Length() const = 0;
  virtual uint32_t MaxLength() const = 0;
  virtual const char* Get() const = 0;
  virtual void Set(const char* text) = 0;
  virtual AAX_IString& AssignText(const char* text) = 0;            // operator=(const char*)
  virtual AAX_IString& AssignString(const AAX_IString& other) = 0;  // operator=(const AAX_IString&)

protected:
  ~AAX_IString() = default;
};

// The library's own text object, passed to the host where the host writes text, and used
// internally. A null text reads as empty.
class AAX_CString final : public AAX_IString
{
public:
  AAX_CString() = default;
  explicit AAX_CString(const char* text) { Set(text); }
  AAX_CString(const AAX_CString& other) : AAX_IString(), mText(other.mText) {}
  AAX_CString& operator=(const AAX_CString& other)
  {
    mText = other.mText;
    return *this;
  }
  ~AAX_CString() = default;

  void* DestructorSlot(unsigned int) override { return this; }
  uint32_t Length() const override { return static_cast<uint32_t>(mText.size()); }
  uint32_t MaxLength() const override { return kMaxLength; }
  const char* Get() const override { return mText.c_str(); }
  void Set(const char* text) override { mText = text != nullptr ? text : ""; }
  AAX_IString& AssignText(const char* text) override
  {
    Set(text);
    return *this;
  }
  AAX_IString& AssignString(const AAX_IString& other) override
  {
    Set(other.Get());
    return *this;
  }
  const std::string& Text() const { return mText; }

  static constexpr uint32_t kMaxLength = 0xFFFFFFFEu;

private:
  std::string mText;
};

// Reads another side's string safely: empty for a null object or a null text.
inline const char* AAX_TextOf(const AAX_IString* text)
{
  const char* raw = text != nullptr ? text->Get() : nullptr;
  return raw != nullptr ? raw : "";
}
