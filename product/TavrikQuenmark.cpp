#include "product/TavrikQuenmark.h"

#include "product/StateDocument.h"

#include "WDL/IPlug/IGraphics.h"
#include "engine/Decibels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>

namespace
{
constexpr int kVendorVersion = PlugBinding::kTraits.vendorVersion;
constexpr const char* kVersionText = PlugBinding::kTraits.versionText;
constexpr int kUniqueId = 0x516E6D6B;       // 'Qnmk'
constexpr int kManufacturerId = 0x5476726B; // 'Tvrk'
constexpr int kHostCodeLogic = 21;
constexpr int kTailFrames = 16777215;
// How often a moving gain is reported to the host, at most.
constexpr double kMovingGainReportSeconds = 0.25;

// The parameters' names, in index order: what hosts show and what the state document
// keys each value by.
const char* const kParamNames[kParamCount] = {"Gain",    "Measure",   "Target Value", "Mode",
                                              "Analyze", "Normalize", "Group",        "Gate"};
const StateDocument::Parameters kDocumentNames{kParamNames, nullptr, kParamCount};

const char* const kMeasureTexts[] = {"dBFS", "VU (-18)", "RMS", "LUFS Mom.", "LUFS Int.", "LUFS Shrt."};
const char* const kTargetLabels[] = {"dBFS", "VU", "RMS", "LUFS", "LUFS", "LUFS"};

using PlugLock = std::lock_guard<std::recursive_mutex>;
}

TavrikQuenmark::TavrikQuenmark()
    : PlugBinding(kParamCount, "1-1 2-2", 1, "TavrikQuenmark", "", "Tavrik", kVendorVersion, kUniqueId,
                  kManufacturerId, 0, false, true, false, 0)
{
  mApplied.fill(std::numeric_limits<double>::quiet_NaN());
  mReportedGainDb = ParamValue(kGain); // the default, which the host knows
  InitParameters();
  for (int i = 0; i < kParamCount; ++i)
  {
    mEngineValues[static_cast<size_t>(i)] = ParamValue(i);
    mHostConversions.push_back(*ParamAt(i));
  }
  AttachEditor(BuildEditor(*this, kVersionText, mEditorReadouts));
  CreateDefaultPresets("-", 1);
  for (int preset = 0; preset < PresetCount(); ++preset)
  {
    std::array<double, kParamCount> values{};
    for (int i = 0; i < kParamCount; ++i)
      values[static_cast<size_t>(i)] = PresetAt(preset)->values[static_cast<size_t>(i)];
    mPresetValues.push_back(values);
  }
  // The link waits for the group tables while it takes its slot: never under the mutex.
  auto link = std::make_unique<GroupLink>(*this, std::vector<int>{kMeasure, kTargetValue, kMode, kAnalyze, kNormalize});
  PlugLock lock(Mutex());
  mGroupLink = std::move(link);
}

TavrikQuenmark::~TavrikQuenmark()
{
  std::unique_ptr<GroupLink> link;
  {
    PlugLock lock(Mutex());
    link = std::move(mGroupLink);
  }
  link.reset(); // frees the slot, waiting for the tables without the mutex
}

void TavrikQuenmark::InitParameters()
{
  ParamAt(kGain)->InitContinuous(kParamNames[kGain], 0.0, -60.0, 60.0, 0.1, "dB");

  IPlugParam* measure = ParamAt(kMeasure);
  measure->InitEnumerated(kParamNames[kMeasure], 0, AudioPlugin::kMeasureCount);
  for (int i = 0; i < AudioPlugin::kMeasureCount; ++i)
    measure->AddDisplayText(i, kMeasureTexts[i]);

  ParamAt(kTargetValue)->InitContinuous(kParamNames[kTargetValue], -12.0, -60.0, 30.0, 0.1);

  IPlugParam* mode = ParamAt(kMode);
  mode->InitEnumerated(kParamNames[kMode], 0, 2);
  mode->AddDisplayText(0, "Standard");
  mode->AddDisplayText(1, "Continuous");

  ParamAt(kAnalyze)->InitBoolean(kParamNames[kAnalyze], true);
  ParamAt(kNormalize)->InitBoolean(kParamNames[kNormalize], true);

  IPlugParam* group = ParamAt(kGroup);
  group->InitEnumerated(kParamNames[kGroup], 0, GroupLink::kGroupCount + 1);
  group->AddDisplayText(0, "No Group");
  const char* const groupTexts[] = {"Group 1", "Group 2", "Group 3", "Group 4",
                                    "Group 5", "Group 6", "Group 7", "Group 8"};
  for (int g = 0; g < GroupLink::kGroupCount; ++g)
    group->AddDisplayText(g + 1, groupTexts[g]);

  ParamAt(kGate)->InitContinuous(kParamNames[kGate], -60.0, -90.0, 0.0, 0.1);
}

void TavrikQuenmark::ResetProcessing()
{
  PlugLock lock(Mutex());
  ClaimProcessor(true); // the host does not process while it prepares
  RunEngineCommands();
  ApplyValuesFromLocklessBlocks();
  SettleOwedStop();
  TakeGainFromEngine();
  mEngine.prepare(static_cast<int32_t>(SampleRate()), BlockSize(), 1);
  if (PlugBinding::kTraits.tailForEveryHost || HostCode() == kHostCodeLogic)
    SetTailLength(kTailFrames);
  mResetDone = true;
}

void TavrikQuenmark::ReinitTargetValue(int measure)
{
  // The value stays; the default becomes it, and the label follows the measure's unit.
  IPlugParam* target = ParamAt(kTargetValue);
  target->InitContinuous(kParamNames[kTargetValue], target->Value(), -60.0, 30.0, 0.1, kTargetLabels[measure]);
}

void TavrikQuenmark::PushToEditor(int index)
{
  if (IGraphics* editor = GetGUI())
    editor->SetControlsFromParameter(index, ParamAt(index)->ToNormalized(), true);
}

double TavrikQuenmark::AppliedValue(int index) const
{
  const double applied = mApplied[static_cast<size_t>(index)];
  return std::isnan(applied) ? ParamValue(index) : applied;
}

void TavrikQuenmark::ParamChanged(int index, int source)
{
  PlugLock lock(Mutex());
  IPlugParam* param = ParamAt(index);
  if (!param || index >= kParamCount)
    return;
  const double applied = mApplied[static_cast<size_t>(index)];
  if (!std::isnan(applied) && param->SameValue(param->Value(), applied))
  {
    // Unchanged at the parameter's resolution. A recalled value is kept as the state
    // holds it; a re-sent one leaves the parameter exactly as it was.
    if (source == kSourceRecall)
      mApplied[static_cast<size_t>(index)] = param->Value();
    else
      param->SetValue(applied);
    PlugBinding::ParamChanged(index, source);
    return;
  }
  const double v = param->Value();
  mApplied[static_cast<size_t>(index)] = v;
  // A choice of "Analyze" made after a stop that a block without the mutex saw stands; the
  // stop's own switch-off, a group's and what those blocks received are older.
  if (index == kAnalyze && source != kSourceInternal && !HandingOverFromLocklessBlocks())
    VoidOwedStops();
  const bool continuous = AppliedValue(kMode) == 1.0;
  switch (index)
  {
  case kMeasure:
  {
    const int measure = static_cast<int>(v);
    if (measure >= 0 && measure < AudioPlugin::kMeasureCount)
    {
      ReinitTargetValue(measure);
      if (IGraphics* editor = GetGUI())
        editor->RedrawParameterControls(kTargetValue); // its unit changed, its value did not
    }
    PushToEditor(kMeasure);
    break;
  }
  case kMode:
    if (!continuous)
    {
      PushToEditor(kAnalyze);
      PushToEditor(kNormalize);
    }
    if (IGraphics* editor = GetGUI())
    {
      editor->GrayOutParameterControls(kAnalyze, continuous);
      editor->GrayOutParameterControls(kNormalize, continuous);
    }
    break;
  case kAnalyze:
  case kNormalize:
  case kGate:
    if (index == kGate || !continuous)
      PushToEditor(index);
    break;
  case kGroup:
    if (!mGroupLink)
      break; // still being constructed
    if (v == 0.0)
      mGroupLink->Leave();
    else
      mGroupLink->Join(static_cast<int>(v - 1.0));
    break;
  default:
    break;
  }
  ToEngine({HandingOverFromLocklessBlocks() ? EngineCommand::kParameterFromLocklessBlock : EngineCommand::kParameter, index, v,
            0.0});
  if (source == kSourceEditor)
  {
    if (mGroupLink)
      mGroupLink->Publish();
  }
  PlugBinding::ParamChanged(index, source);
}

void TavrikQuenmark::ToEngine(const EngineCommand& command)
{
  const bool claimed = ClaimProcessor();
  // A full queue: the audio thread has not run for 256 changes. It waits for the mutex
  // once when it comes back.
  if (!claimed && mEngineCommands.TryPush(command))
    return;
  if (!claimed)
    ClaimProcessor(true);
  RunEngineCommands();
  if (command.kind != EngineCommand::kParameterFromLocklessBlock && !OnAudioThread())
    SettleOwedStop(); // a lockless block's value came before the stop: settled after it
  ApplyToEngine(command);
}

void TavrikQuenmark::HostValueToEngine(int index, double normalized)
{
  if (index < 0 || index >= kParamCount || !std::isfinite(normalized))
    return;
  RunEngineCommands(); // what other threads handed over came first
  IPlugParam& conversion = mHostConversions[static_cast<size_t>(index)];
  conversion.SetFromNormalized(normalized);
  TakeValueIntoEngine(index, conversion.Value());
}

void TavrikQuenmark::PresetToEngine(int index)
{
  if (index < 0 || index >= static_cast<int>(mPresetValues.size()))
    return; // refused, as the recall will be
  RunEngineCommands();
  for (int i = 0; i < kParamCount; ++i)
    TakeValueIntoEngine(i, mPresetValues[static_cast<size_t>(index)][static_cast<size_t>(i)]);
}

void TavrikQuenmark::TakeValueIntoEngine(int index, double value)
{
  // Unchanged at the parameter's resolution: the parameter will stay as it is, and so does
  // the engine. "Gain" is compared with the gain the engine moved to, as the parameter
  // follows it.
  const double held = index == kGain ? std::clamp(mShownGainDb, -60.0, 60.0) : mEngineValues[static_cast<size_t>(index)];
  if (!mHostConversions[static_cast<size_t>(index)].SameValue(held, value))
    ApplyParameterToEngine(index, value);
}

void TavrikQuenmark::LocklessValuesApplied(uint64_t count)
{
  for (uint64_t settled = mStopsSettled.load(std::memory_order_relaxed);
       settled != mStopsPosted.load(std::memory_order_acquire) &&
       mStopsOwedAfter[settled % kOwedStopCapacity].load(std::memory_order_relaxed) <= count;
       settled = mStopsSettled.load(std::memory_order_relaxed))
  {
    mStopsSettled.store(settled + 1, std::memory_order_release);
    EndAnalysisAtStop();
  }
}

void TavrikQuenmark::SettleOwedStop()
{
  if (!StopOwed())
    return;
  VoidOwedStops();
  EndAnalysisAtStop();
}

void TavrikQuenmark::TakeHandedOverChanges()
{
  RunEngineCommands();
  if (BlockWithoutMutex())
    return;
  SettleOwedStop();
  TakeGainFromEngine();
}

void TavrikQuenmark::RunEngineCommands()
{
  mEngineCommands.Drain([this](const EngineCommand& command) { ApplyToEngine(command); });
}

void TavrikQuenmark::ApplyToEngine(const EngineCommand& command)
{
  switch (command.kind)
  {
  case EngineCommand::kParameter:
    ApplyParameterToEngine(command.index, command.value);
    break;
  case EngineCommand::kParameterFromLocklessBlock:
    break; // the engine took it in that block, in its place among the other changes
  case EngineCommand::kKeepLevel:
    mKeptLevel = mEngine.maxLevel();
    break;
  case EngineCommand::kSnapshot:
  {
    const auto reader = static_cast<uint64_t>(command.value);
    SnapshotSlot& slot = mSnapshots[reader % mSnapshots.size()];
    // Sequentially consistent: a reader that sees this `end` and then this `begin` read
    // the level in between, and no later writer's.
    slot.begin.store(reader + 1);
    slot.level.store(mEngine.maxLevel());
    slot.gainDb.store(mShownGainDb);
    slot.end.store(reader + 1);
    break;
  }
  case EngineCommand::kRecall:
    // The recalled values were applied in index order, so a new "Target Value" met the
    // level held before, and a new "Measure" or "Mode" cleared it. The state's own level
    // and gain come last: the instance plays exactly what was saved, and a later target
    // change works from the restored level.
    mEngine.setMaxLevel(std::isnan(command.value) ? mKeptLevel : command.value);
    mEngine.setGainDb(command.gainDb);
    mShownGain = std::fabs(mEngine.gain());
    mShownGainDb = command.gainDb;
    mReportedGainDb = command.gainDb; // the binding tells the host that every value was reloaded
    UpdateReadouts();
    mReadouts.storeGainDb(command.gainDb);
    break;
  }
}

void TavrikQuenmark::ApplyParameterToEngine(int index, double v)
{
  mEngineValues[static_cast<size_t>(index)] = v;
  const bool continuous = mEngineValues[kMode] == 1.0;
  switch (index)
  {
  case kGain:
    mEngine.setGainDb(v);
    // The readout is the value set, not its round trip through the linear gain.
    mShownGain = std::fabs(mEngine.gain());
    mShownGainDb = v;
    mReportedGainDb = v;
    break;
  case kMeasure:
    mEngine.setMeasure(static_cast<int>(v));
    if (mEngineValues[kAnalyze] >= 0.5)
      mEngine.setAnalyze(true);
    break;
  case kTargetValue:
    mEngine.setTargetLevel(v);
    break;
  case kMode:
    mEngine.setContinuous(continuous);
    if (continuous)
      mNormalize = true;
    else
      ApplyStandardSwitches();
    break;
  case kAnalyze:
    if (!continuous)
      mEngine.setAnalyze(v >= 0.5);
    break;
  case kNormalize:
    if (!continuous)
    {
      mEngine.setApplyGain(v >= 0.5);
      mNormalize = v >= 0.5;
    }
    break;
  case kGate:
    mEngine.setGate(v);
    break;
  default:
    break;
  }
}

void TavrikQuenmark::ApplyStandardSwitches()
{
  // Their changes made in Continuous mode were kept but not applied, and the engine
  // must play what the parameters (and so a saved state) say.
  const bool analyze = mEngineValues[kAnalyze] >= 0.5;
  const bool normalize = mEngineValues[kNormalize] >= 0.5;
  if (analyze || mEngine.isAnalyzing())
    mEngine.setAnalyze(analyze);
  mEngine.setApplyGain(normalize);
  mNormalize = normalize;
}

void TavrikQuenmark::HandleTransport()
{
  const bool holdsMutex = !BlockWithoutMutex();
  if (holdsMutex)
    SettleOwedStop();
  const bool running = TransportRunning();
  if (running && !mTransportWasRunning)
  {
    mTransportWasRunning = true;
    mEngine.setStopped(false);
  }
  else if (!running && mTransportWasRunning)
  {
    // A stop ends the analysis; with "Normalize" on, the gain it reached stays applied.
    mEngine.setStopped(true);
    mTransportWasRunning = false;
    if (holdsMutex)
    {
      EndAnalysisAtStop();
    }
    else
    {
      // The engine ends the analysis now, as a block with the mutex would; the parameter
      // follows when a holder of the mutex reaches this point of what the host sent.
      TakeValueIntoEngine(kAnalyze, 0.0);
      const uint64_t posted = mStopsPosted.load(std::memory_order_relaxed);
      const uint64_t after = LocklessValuesReceived();
      if (posted - mStopsSettled.load(std::memory_order_acquire) < kOwedStopCapacity)
      {
        mStopsOwedAfter[posted % kOwedStopCapacity].store(after, std::memory_order_relaxed);
        mStopsPosted.store(posted + 1, std::memory_order_release);
      }
      else
      {
        mStopsOwedAfter[(posted - 1) % kOwedStopCapacity].store(after, std::memory_order_relaxed);
      }
    }
  }
}

void TavrikQuenmark::EndAnalysisAtStop()
{
  const bool wasAnalyzing = ParamValue(kAnalyze) != 0.0;
  ParamAt(kAnalyze)->SetValue(0.0);
  if (IGraphics* editor = GetGUI())
    editor->SetControlsFromParameter(kAnalyze, 0.0, false);
  ParamChanged(kAnalyze, kSourceInternal);
  // The host's automation and generic editor must not keep showing (and sending back)
  // the old value: the binding reports it with this block's output.
  if (wasAnalyzing)
    InformHostOfParamChange(kAnalyze, 0.0);
  if (mGroupLink)
    mGroupLink->Publish();
}

void TavrikQuenmark::UpdateReadouts()
{
  mReadouts.storeLevel(mEngine.maxLevel(), static_cast<int>(mEngineValues[kMeasure]));
}

void TavrikQuenmark::ProcessAudio(double** inputs, double** outputs, int frames)
{
  RunEngineCommands(); // what other threads handed over since the last block
  HandleTransport();
  if (frames < 1)
    return;
  const bool holdsMutex = !BlockWithoutMutex();

  // The engine reads the inputs and writes the outputs, so the host's input buffers stay
  // as they came. A mono input is channel 0 twice; with one output, the engine gets that
  // output twice and writes it once.
  const bool stereoOut = OutputChannelConnected(1);
  double* channels[2] = {outputs[0], stereoOut ? outputs[1] : outputs[0]};
  const double* sources[2] = {inputs[0], InputChannelConnected(1) ? inputs[1] : inputs[0]};

  if (holdsMutex && mGroupLink)
    mGroupLink->ReceiveFromAudio();

  if (mNormalize || mEngineValues[kAnalyze] >= 0.5)
  {
    mEngine.processBlock(sources, channels, frames);
    UpdateReadouts();
  }
  else
  {
    for (int c = 0; c < (stereoOut ? 2 : 1); ++c)
      if (channels[c] != sources[c])
        std::memmove(channels[c], sources[c], sizeof(double) * static_cast<size_t>(frames));
  }

  const double gain = std::fabs(mEngine.gain());
  if (gain != mShownGain)
  {
    mShownGain = gain;
    mShownGainDb = Decibels::fromLinear(gain);
  }
  mReadouts.storeGainDb(mShownGainDb);
  if (!holdsMutex)
    return; // "Gain" follows at the next block that holds the mutex

  IPlugParam* gainParam = GainFollowsEngine();

  // A gain that settled (an analysis ended, a new target met the kept level) is reported
  // at once, so the host stores and re-sends this gain, not one it read while it still
  // moved. A gain that moves with the analysis or in Continuous mode is reported a few
  // times a second: the host's view follows it without its automation being flooded.
  const bool gainMoves = (mEngine.isContinuous() || mEngine.isAnalyzing()) && !mEngine.isStopped();
  mFramesSinceGainReport = std::min<int64_t>(mFramesSinceGainReport + frames, INT32_MAX);
  const bool reportDue = !gainMoves || mFramesSinceGainReport >= static_cast<int64_t>(SampleRate() * kMovingGainReportSeconds);
  if (reportDue && !gainParam->SameValue(gainParam->Value(), mReportedGainDb))
  {
    mReportedGainDb = gainParam->Value();
    mFramesSinceGainReport = 0;
    InformHostOfParamChange(kGain, gainParam->ToNormalized());
  }
}

IPlugParam* TavrikQuenmark::GainFollowsEngine()
{
  // "Gain" doubles as the gain readout: it is overwritten with the engine's gain on every
  // block, without announcing it to the engine or the host. The readout counts as
  // applied: a host that sends it back changes nothing.
  IPlugParam* gainParam = ParamAt(kGain);
  gainParam->SetValue(std::clamp(mShownGainDb, -60.0, 60.0));
  mApplied[kGain] = gainParam->Value();
  return gainParam;
}

void TavrikQuenmark::TakeGainFromEngine()
{
  // Blocks without the mutex moved the gain past the parameter: it follows now, and the
  // host is told, as a block holding the mutex would have told it.
  const IPlugParam* gainParam = GainFollowsEngine();
  if (!gainParam->SameValue(gainParam->Value(), mReportedGainDb))
  {
    mReportedGainDb = gainParam->Value();
    mFramesSinceGainReport = 0;
    InformHostOfParamChange(kGain, gainParam->ToNormalized());
  }
}

void TavrikQuenmark::EditorOpened()
{
  if (mGroupLink)
    mGroupLink->Receive();
}

void TavrikQuenmark::OnEditorIdle()
{
  if (mGroupLink)
    mGroupLink->Receive();
}

void TavrikQuenmark::OnEditorTimer()
{
  // Changes queued for blocks that stopped coming are applied here once the engine can
  // be taken back, so the readouts show them even while the host does not process.
  if (mEngineCommands.Posted() != mEngineCommands.Taken() || StopOwed())
  {
    PlugLock lock(Mutex());
    if (ClaimProcessor())
    {
      RunEngineCommands();
      ApplyValuesFromLocklessBlocks();
      SettleOwedStop();
      TakeGainFromEngine();
    }
  }
  mEditorReadouts.Refresh(mReadouts);
}

TavrikQuenmark::Snapshot TavrikQuenmark::TakeSnapshot()
{
  // The audio thread takes the request at its next block, a few milliseconds away. Once
  // blocks have stopped for a few block lengths (or at once on the thread that ran the
  // last block) the engine is taken back and the request applied here; after 50 ms it is
  // taken back whatever the time, which waits for the block in flight at most.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
  for (;;)
  {
    Snapshot snapshot;
    uint64_t reader = 0;
    {
      PlugLock lock(Mutex());
      for (int i = 0; i < kParamCount; ++i)
        snapshot.values[static_cast<size_t>(i)] = ParamValue(i);
      snapshot.analyzeAsZero = mResetDone && ParamValue(kAnalyze) >= 0.5;
      reader = mEngineCommands.Posted();
      const bool late = std::chrono::steady_clock::now() >= giveUp;
      if (ClaimProcessor(late) ||
          !mEngineCommands.TryPush({EngineCommand::kSnapshot, 0, static_cast<double>(reader), 0.0}))
      {
        ClaimProcessor(true);
        RunEngineCommands();
        snapshot.level = mEngine.maxLevel();
        snapshot.values[kGain] = std::clamp(mShownGainDb, -60.0, 60.0);
        return snapshot;
      }
    }
    const SnapshotSlot& slot = mSnapshots[reader % mSnapshots.size()];
    for (;;)
    {
      const uint64_t recorded = slot.end.load();
      if (recorded == reader + 1)
      {
        snapshot.level = slot.level.load();
        // "Gain" is the engine's: blocks without the mutex moved it past the parameter.
        snapshot.values[kGain] = std::clamp(slot.gainDb.load(), -60.0, 60.0);
        if (slot.begin.load() == recorded)
          return snapshot;
      }
      if (recorded > reader + 1 || slot.begin.load() > reader + 1)
        break; // recorded for this reader and overwritten by later ones since: ask again
      const bool late = std::chrono::steady_clock::now() >= giveUp;
      if (late || BlocksStopped())
      {
        // No block is coming for the request: the engine is taken back and the request
        // applied here, with whatever was queued before it.
        PlugLock lock(Mutex());
        if (ClaimProcessor(late))
          RunEngineCommands();
        continue;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  }
}

double TavrikQuenmark::MeasuredLevel()
{
  return TakeSnapshot().level;
}

bool TavrikQuenmark::SerializeState(ChunkBuffer& chunk)
{
  // The lock is held only to copy the values: the document is built without it, so a
  // host's autosave does not hold up the audio thread.
  const Snapshot snapshot = TakeSnapshot();
  StateDocument::Parameters params = kDocumentNames;
  params.values = snapshot.values.data();
  StateDocument::Append(chunk, params, snapshot.level, kVersionText, snapshot.analyzeAsZero, kAnalyze);
  return !chunk.IsEmpty();
}

int TavrikQuenmark::RestoreState(const ChunkBuffer& chunk, int start)
{
  // Parsed without the lock; the lock is held to apply the values only. A chunk that is
  // not a state applies nothing.
  bool isJson = false;
  if (const auto contents = StateDocument::Read(chunk, start, kDocumentNames, &isJson))
  {
    PlugLock lock(Mutex());
    for (int i = 0; i < ParamCount(); ++i)
      if (const auto& value = contents->values[static_cast<size_t>(i)])
        ParamAt(i)->SetValue(*value);
    AllParamsChanged(kSourceRecall);
    InstallRecalledLevel(contents->measuredLevel);
    return contents->endPosition;
  }
  if (isJson)
    return -1;

  // Not a state document: the framework's binary parameter layout (an int32 count and a
  // float64 per parameter) is read, but only when the chunk holds such a layout whole,
  // so a damaged or foreign chunk never sets parameters from stray bytes. It carries no
  // level: the one held stays.
  std::int32_t count = 0;
  const int valuesStart = chunk.GetInt32(&count, start);
  const bool binaryLayout = valuesStart >= 0 && count >= 1 && count <= ParamCount() &&
                            chunk.Size() - valuesStart >= 8 * count;
  if (!binaryLayout)
    return -1;
  PlugLock lock(Mutex());
  ToEngine({EngineCommand::kKeepLevel, 0, 0.0, 0.0});
  const int end = UnserializeParams(chunk, start);
  InstallRecalledLevel(std::numeric_limits<double>::quiet_NaN());
  return end;
}

void TavrikQuenmark::InstallRecalledLevel(double level)
{
  const double gainDb = ParamValue(kGain);
  mApplied[kGain] = gainDb;
  ToEngine({EngineCommand::kRecall, 0, level, gainDb});
}

bool TavrikQuenmark::StateEquals(const void* data, int sizeBytes, int)
{
  if (!data || sizeBytes <= 0)
    return false;
  ChunkBuffer chunk;
  chunk.PutBytes(data, sizeBytes);
  const auto contents = StateDocument::Read(chunk, 0, kDocumentNames);
  if (!contents)
    return false;
  PlugLock lock(Mutex());
  // Compared with what a save would write now: a running analysis is saved as "Analyze"
  // off, so the chunk just saved compares equal to the instance that saved it.
  const bool analyzeAsZero = mResetDone && ParamValue(kAnalyze) >= 0.5;
  for (int i = 0; i < ParamCount(); ++i)
  {
    const auto& value = contents->values[static_cast<size_t>(i)];
    const double current = (i == kAnalyze && analyzeAsZero) ? 0.0 : ParamValue(i);
    if (!value || std::fabs(static_cast<float>(*value) - static_cast<float>(current)) >= 0.00001f)
      return false;
  }
  return true;
}
