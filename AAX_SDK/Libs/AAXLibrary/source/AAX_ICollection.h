#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

class AAX_IEffectDescriptor;

// What the host hands the plug-in at registration: the plug-in describes its effects
// into it. Made and owned by the host.
class AAX_ICollection
{
public:
  virtual ~AAX_ICollection() = default;
  // An effect descriptor owned by the collection, or null.
  virtual AAX_IEffectDescriptor* NewDescriptor() = 0;
  virtual AAX_Result AddEffect(const char* effectId, AAX_IEffectDescriptor* descriptor) = 0;
  virtual AAX_Result SetManufacturerName(const char* name) = 0;
  virtual AAX_Result AddPackageName(const char* name) = 0;
  virtual AAX_Result SetPackageVersion(uint32_t version) = 0;
  // Where the plug-in reports a broken expectation: the failed condition and where.
  virtual void HandleAssertion(const char* condition, const char* source) = 0;
};

// Supplied by the plug-in: describes its effects into collection (called at
// registration by ACFRegisterPlugin).
AAX_Result GetEffectDescriptions(AAX_ICollection* collection);
