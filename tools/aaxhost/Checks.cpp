#include "tools/aaxhost/Checks.h"

namespace aaxhost
{
void Checks::Query(const char* object, const abi::acfUID& iid, bool answered)
{
  std::string name = abi::NameOf(iid);
  const std::lock_guard<std::mutex> lock(mMutex);
  if (name.empty())
  {
    name = abi::TextOf(iid);
    mUnknown.push_back(std::string(object) + ": " + name);
  }
  mQueries.push_back(std::string(object) + ": " + name + (answered ? " answered" : " refused"));
}

void Checks::Problem(std::string text)
{
  const std::lock_guard<std::mutex> lock(mMutex);
  mProblems.push_back(std::move(text));
}

void Checks::Assertion(std::string text)
{
  const std::lock_guard<std::mutex> lock(mMutex);
  mAssertions.push_back(std::move(text));
}

std::vector<std::string> Checks::Queries() const
{
  const std::lock_guard<std::mutex> lock(mMutex);
  return mQueries;
}

std::vector<std::string> Checks::UnknownIds() const
{
  const std::lock_guard<std::mutex> lock(mMutex);
  return mUnknown;
}

std::vector<std::string> Checks::Problems() const
{
  const std::lock_guard<std::mutex> lock(mMutex);
  return mProblems;
}

std::vector<std::string> Checks::Assertions() const
{
  const std::lock_guard<std::mutex> lock(mMutex);
  return mAssertions;
}

bool Checks::Queried(const std::string& object, const std::string& interfaceName) const
{
  const std::string prefix = object + ": " + interfaceName + " ";
  const std::lock_guard<std::mutex> lock(mMutex);
  for (const std::string& query : mQueries)
    if (query.rfind(prefix, 0) == 0)
      return true;
  return false;
}
} // namespace aaxhost
