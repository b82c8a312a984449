#include "engine/LoudnessStatePool.h"

#include <algorithm>

ebur128_state* CreateLoudnessState(int32_t channels, int32_t rate, int32_t mode)
{
  if (rate <= 0 || channels <= 0)
    return nullptr;
  ebur128_state* state = ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate), mode);
  if (!state)
    return nullptr;
  switch (channels)
  {
  case 1:
    ebur128_set_channel(state, 0, EBUR128_CENTER);
    break;
  case 2:
    ebur128_set_channel(state, 0, EBUR128_LEFT);
    ebur128_set_channel(state, 1, EBUR128_RIGHT);
    break;
  case 3:
    ebur128_set_channel(state, 0, EBUR128_LEFT);
    ebur128_set_channel(state, 1, EBUR128_RIGHT);
    ebur128_set_channel(state, 2, EBUR128_CENTER);
    break;
  case 5:
    ebur128_set_channel(state, 0, EBUR128_LEFT);
    ebur128_set_channel(state, 1, EBUR128_RIGHT);
    ebur128_set_channel(state, 2, EBUR128_CENTER);
    ebur128_set_channel(state, 3, EBUR128_LEFT_SURROUND);
    ebur128_set_channel(state, 4, EBUR128_RIGHT_SURROUND);
    break;
  default: // the library's default map stays
    break;
  }
  return state;
}

void DestroyLoudnessState(ebur128_state*& state)
{
  if (state) // the library's destroy does not accept a null state
    ebur128_destroy(&state);
  state = nullptr;
}

LoudnessStatePool::~LoudnessStatePool() { clear(); }

void LoudnessStatePool::clear()
{
  for (Fresh& fresh : mFresh)
    DestroyLoudnessState(fresh.state);
  for (int i = 0; i < mRetiredCount; ++i)
    DestroyLoudnessState(mRetired[static_cast<size_t>(i)]);
  mRetiredCount = 0;
}

void LoudnessStatePool::replenish(int32_t channels, int32_t rate, std::initializer_list<int32_t> modes)
{
  for (int i = 0; i < mRetiredCount; ++i)
    DestroyLoudnessState(mRetired[static_cast<size_t>(i)]);
  mRetiredCount = 0;

  auto wanted = [&](const Fresh& fresh) {
    return fresh.rate == rate && std::find(modes.begin(), modes.end(), fresh.mode) != modes.end();
  };
  for (Fresh& fresh : mFresh)
    if (fresh.state && !wanted(fresh))
      DestroyLoudnessState(fresh.state);
  for (int32_t mode : modes)
  {
    const bool held = std::any_of(mFresh.begin(), mFresh.end(),
                                  [&](const Fresh& f) { return f.state && f.mode == mode && f.rate == rate; });
    if (held)
      continue;
    for (Fresh& fresh : mFresh)
      if (!fresh.state)
      {
        fresh = {CreateLoudnessState(channels, rate, mode), mode, rate};
        break;
      }
  }
}

ebur128_state* LoudnessStatePool::take(int32_t mode, int32_t rate)
{
  for (Fresh& fresh : mFresh)
    if (fresh.state && fresh.mode == mode && fresh.rate == rate)
    {
      ebur128_state* state = fresh.state;
      fresh.state = nullptr;
      return state;
    }
  return nullptr;
}

void LoudnessStatePool::retire(ebur128_state* state)
{
  if (!state)
    return;
  if (mRetiredCount < kRetiredSlots)
    mRetired[static_cast<size_t>(mRetiredCount++)] = state;
  else
    DestroyLoudnessState(state);
}

const ebur128_state* LoudnessStatePool::peek(int32_t mode) const
{
  for (const Fresh& fresh : mFresh)
    if (fresh.state && fresh.mode == mode)
      return fresh.state;
  return nullptr;
}
