#include "tools/quenmark/Measures.h"

#include <cctype>

namespace quenmark
{
namespace
{
std::string_view trimmed(std::string_view text)
{
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}
} // namespace

std::optional<MeasureName> findMeasure(std::string_view name)
{
  const std::string_view wanted = trimmed(name);
  for (const MeasureName& measure : kMeasures)
    if (equalIgnoringCase(wanted, measure.display) || equalIgnoringCase(wanted, measure.alias))
      return measure;
  return std::nullopt;
}

std::string measureList()
{
  std::string list;
  for (const MeasureName& measure : kMeasures)
  {
    if (!list.empty())
      list += ", ";
    list += std::string("\"") + measure.display + "\" (" + measure.alias + ")";
  }
  return list;
}
} // namespace quenmark
