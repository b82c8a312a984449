// The built TavrikQuenmark.aaxplugin as our AAX host loads it through its seven entry
// points: what it describes and in which order, a whole session checked against the
// interface (IDs asked for, references returned, unload), the interface's answers to bad
// input, and the two deliverables against each other: the same programme through both
// gives the same samples and the same measured level.

#include "AllocationCounter.h"
#include "tools/aaxhost/Instance.h"
#include "tools/aaxhost/Module.h"
#include "tools/vst3host/Module.h"
#include "tools/vst3host/PluginInstance.h"
#include "tools/vst3host/ProcessRunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace
{
using namespace aaxhost;
using namespace aaxhost::abi;

constexpr const char* kEffectId = "com.Tavrik.aax.TavrikQuenmark";
constexpr AAX_CTypeID kChunkId = 0x516E6D6B; // 'Qnmk'
constexpr int kMono = 0;
constexpr int kStereo = 1;
constexpr double kSampleRate = 48000.0;
constexpr int kBlockFrames = 512;
// The 32-bit render path against the VST3 32-bit path: both convert to the same 64-bit
// processing, so samples agree to float rounding.
constexpr float kSampleTolerance32 = 2e-7f;
constexpr double kLevelToleranceDb = 1e-9;

std::unique_ptr<Module> LoadAax()
{
  std::string error;
  auto module = Module::Load(QUENMARK_AAX_BUNDLE_PATH, error);
  EXPECT_TRUE(module) << error;
  return module;
}

std::unique_ptr<Instance> MakeInstance(const Module& module, int component = kStereo)
{
  std::string error;
  auto instance = Instance::Create(*module.Effect(kEffectId), component, kSampleRate, error);
  EXPECT_TRUE(instance) << error;
  return instance;
}

// What the host found at the end of a session, one finding per line.
std::string Findings(Module& module)
{
  std::string text;
  for (const std::string& problem : module.Finish())
    text += "problem: " + problem + "\n";
  for (const std::string& unknown : module.Record().UnknownIds())
    text += "unknown ID: " + unknown + "\n";
  return text;
}

double MaxPeakOf(const std::vector<char>& state)
{
  if (state.size() < 4)
    return NAN;
  return nlohmann::json::parse(state.begin() + 4, state.end()).at("maxpeak").get<double>();
}

// A programme that swells and falls: a 440 Hz tone whose level moves over 4 s.
float Programme(int frame)
{
  const double t = frame / kSampleRate;
  const double level = 0.02 + 0.08 * std::fabs(std::sin(0.7 * t));
  return static_cast<float>(level * std::sin(2.0 * std::numbers::pi * 440.0 * t));
}

// The method names of the description calls, without their arguments.
std::vector<std::string> MethodsOf(const std::vector<std::string>& calls)
{
  std::vector<std::string> methods;
  for (const std::string& call : calls)
    methods.push_back(call.substr(0, call.find('(')));
  return methods;
}

TEST(AaxBundle, TheModuleLoadsWithItsLayoutAndDescribesOneEffectOfTwoComponents)
{
  const std::filesystem::path bundle = QUENMARK_AAX_BUNDLE_PATH;
  EXPECT_EQ(bundle.filename(), "TavrikQuenmark.aaxplugin");
  EXPECT_TRUE(std::filesystem::is_regular_file(Module::BinaryIn(bundle)));
  EXPECT_TRUE(std::filesystem::is_directory(bundle / "Contents" / "Resources"));
  auto module = LoadAax();
  ASSERT_TRUE(module);
  const Collection& description = module->Description();
  ASSERT_EQ(description.Effects().size(), 1u);
  const EffectDescriptor* effect = module->Effect(kEffectId);
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->Names(), std::vector<std::string>{"TavrikQuenmark"});
  EXPECT_EQ(description.PackageNames(), std::vector<std::string>{"TavrikQuenmark"});
  EXPECT_EQ(description.ManufacturerNames(), std::vector<std::string>{"Tavrik"});
  EXPECT_EQ(description.PackageVersion(), 0x00010301u);
  ASSERT_EQ(effect->Components().size(), 2u);
  const ComponentDescriptor& mono = *effect->Components()[kMono];
  const ComponentDescriptor& stereo = *effect->Components()[kStereo];
  EXPECT_EQ(mono.Property(kPropertyInputStemFormat), kStemMono);
  EXPECT_EQ(mono.Property(kPropertyOutputStemFormat), kStemMono);
  EXPECT_EQ(FourCC(static_cast<uint32_t>(mono.Property(kPropertyPlugInIDNative))), "EFN1");
  EXPECT_EQ(stereo.Property(kPropertyInputStemFormat), kStemStereo);
  EXPECT_EQ(FourCC(static_cast<uint32_t>(stereo.Property(kPropertyPlugInIDNative))), "EFN2");
  EXPECT_EQ(FourCC(static_cast<uint32_t>(stereo.Property(kPropertyPlugInIDAudioSuite))), "EFA2");
  EXPECT_EQ(FourCC(static_cast<uint32_t>(stereo.Property(kPropertyManufacturerID))), "Tvrk");
  EXPECT_EQ(FourCC(static_cast<uint32_t>(stereo.Property(kPropertyProductID))), "Qnmk");
  // The context a host builds: the plug-in's address in an 8-byte block, the transport
  // node, the audio and the block length.
  ASSERT_TRUE(stereo.Fields().count(8));
  EXPECT_EQ(stereo.Fields().at(8).kind, Field::Kind::kPrivateData);
  EXPECT_EQ(stereo.Fields().at(8).sizeBytes, 8);
  ASSERT_TRUE(stereo.Fields().count(7));
  EXPECT_EQ(stereo.Fields().at(7).nodeType, kMIDINodeTransport);
  EXPECT_EQ(stereo.Fields().at(3).kind, Field::Kind::kBufferLength);
  EXPECT_NE(effect->Proc(kProcCreateEffectParameters), nullptr);
  EXPECT_NE(effect->Proc(kProcCreateEffectGUI), nullptr);
  EXPECT_EQ(Findings(*module), "");
}

TEST(AaxBundle, TheDescriptionComesInTheProductsOrder)
{
  auto module = LoadAax();
  ASSERT_TRUE(module);
  std::vector<std::string> component = {"CreateComponent", "AddPrivateData", "AddPrivateData", "AddMIDINode",
                                        "AddAudioIn",      "AddAudioOut",    "AddAudioBufferLength",
                                        "AddPrivateData",  "AddPrivateData", "CreateComponent"};
  component.insert(component.end(), 8, "AddProperty"); // latency, stems, bypass, IDs, AudioSuite ID
  component.insert(component.end(), {"AddProcessProc_Native", "AddComponent"});
  std::vector<std::string> expected = {"CreateComponent", "CreateComponent", "AddName", "AddPackageName",
                                       "AddCategory"};
  for (int c = 0; c < 2; ++c)
    expected.insert(expected.end(), component.begin(), component.end());
  expected.insert(expected.end(),
                  {"AddProcPtr", "AddProcPtr", "AddEffect", "SetManufacturerName", "SetPackageVersion"});
  // Registration, then whatever the module makes when it starts (its host services).
  std::vector<std::string> methods = MethodsOf(module->DescriptionCalls());
  ASSERT_GE(methods.size(), expected.size());
  methods.resize(expected.size());
  EXPECT_EQ(methods, expected);
  const std::vector<std::string>& calls = module->DescriptionCalls();
  EXPECT_EQ(calls[0], "CreateComponent(CompCollection)");
  EXPECT_EQ(calls[1], "CreateComponent(CompEffectDescriptor)");
  EXPECT_EQ(calls[4], "AddCategory(0)");
  EXPECT_EQ(calls[6], "AddPrivateData(6, 4, 0)");
  EXPECT_EQ(calls[8], "AddMIDINode(7, 3, \"Transport\", 0x0000FFFF)");
  EXPECT_EQ(calls[13], "AddPrivateData(8, 8, 0)");
}

TEST(AaxBundle, AWholeSessionAsksOnlyForKnownIdsAndReturnsEveryReference)
{
  auto module = LoadAax();
  ASSERT_TRUE(module);
  EXPECT_EQ(module->CanUnloadNow(), ACF_OK);
  {
    auto instance = MakeInstance(*module);
    ASSERT_TRUE(instance);
    EXPECT_NE(module->CanUnloadNow(), ACF_OK) << "an object of the module lives";
    std::vector<float> in(kBlockFrames, 0.25f), outLeft(kBlockFrames), outRight(kBlockFrames);
    const float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    instance->HostTransport().playing = true;
    instance->Render(inputs, outputs, kBlockFrames);
    EXPECT_TRUE(std::isfinite(outLeft[100]) && outLeft[100] != 0.0f);

    // The host reads back what it sets, through its own automation.
    ASSERT_EQ(instance->Edit("2", 0.6), AAX_SUCCESS);
    EXPECT_GE(instance->DeliverAutomation(), 1);
    EXPECT_NEAR(instance->NormalizedValue("2").value_or(-1), 0.6, 0.11);
    AAX_CTypeID id = 0;
    std::vector<char> state;
    ASSERT_EQ(instance->SaveChunk(id, state), AAX_SUCCESS);
    EXPECT_EQ(id, kChunkId);
    EXPECT_EQ(instance->LoadChunk(id, state), AAX_SUCCESS);
    instance->DeliverAutomation();
    ASSERT_EQ(instance->OpenEditor(nullptr), AAX_SUCCESS);
    AAX_Point size{0, 0};
    EXPECT_EQ(instance->Editor()->GetViewSize(&size), AAX_SUCCESS);
    EXPECT_EQ(size.horz, 300.0f);
    EXPECT_EQ(size.vert, 280.0f);
    ASSERT_EQ(instance->CloseEditor(), AAX_SUCCESS);
    // A second instance, mono, alive at the same time.
    auto mono = MakeInstance(*module, kMono);
    ASSERT_TRUE(mono);
    EXPECT_EQ(mono->InputChannels(), 1);
  }
  // What the module asked for: the controller and automation of its instance.
  const Checks& record = module->Record();
  EXPECT_TRUE(record.Queried("controller", "ControllerV1"));
  EXPECT_TRUE(record.Queried("controller", "AutomationDelegateV1"));
  EXPECT_TRUE(record.Queried("controller", "EffectParametersV1")) << "the GUI finds its instance";
  EXPECT_EQ(Findings(*module), "");
  EXPECT_EQ(module->CanUnloadNow(), ACF_OK);
}

using Event = AutomationDelegate::Event;

// The events of one kind for one parameter, in order.
std::vector<Event> EventsOf(const std::vector<Event>& events, Event::Kind kind, const std::string& id)
{
  std::vector<Event> found;
  for (const Event& event : events)
    if (event.kind == kind && id == event.id)
      found.push_back(event);
  return found;
}

TEST(AaxBundle, EditsGoThroughTheHostsAutomationAndComeBackAsUpdates)
{
  auto module = LoadAax();
  ASSERT_TRUE(module);
  {
    auto instance = MakeInstance(*module);
    ASSERT_TRUE(instance);
    // Every parameter the host lists is registered for automation.
    std::vector<std::string> registered = instance->HostAutomation().Registered();
    std::vector<std::string> listed = instance->ParameterIds();
    std::sort(registered.begin(), registered.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(registered, listed);
    EXPECT_EQ(listed.size(), 9u);
    EXPECT_NE(std::find(listed.begin(), listed.end(), instance->MasterBypassId()), listed.end());
    instance->HostAutomation().TakeEvents();

    IEffectParametersV4& parameters = instance->Parameters();
    int32_t changesBefore = 0;
    ASSERT_EQ(parameters.GetNumberOfChanges(&changesBefore), AAX_SUCCESS);
    const double modeBefore = instance->NormalizedValue("4").value_or(-1);
    ASSERT_EQ(instance->Edit("4", 1.0), AAX_SUCCESS);
    std::vector<Event> events = instance->HostAutomation().Events();
    ASSERT_FALSE(EventsOf(events, Event::Kind::kTouch, "4").empty());
    ASSERT_EQ(EventsOf(events, Event::Kind::kSet, "4").size(), 1u);
    EXPECT_EQ(EventsOf(events, Event::Kind::kSet, "4")[0].value, 1.0);
    EXPECT_FALSE(EventsOf(events, Event::Kind::kRelease, "4").empty());
    EXPECT_EQ(instance->NormalizedValue("4").value_or(-1), modeBefore) << "the value changes when the host sends it";

    EXPECT_EQ(instance->DeliverAutomation(), 1);
    EXPECT_EQ(instance->NormalizedValue("4").value_or(-1), 1.0);
    EXPECT_EQ(instance->DisplayText("4", 1.0), "Continuous");
    events = instance->HostAutomation().Events();
    ASSERT_FALSE(EventsOf(events, Event::Kind::kCurrent, "4").empty());
    int32_t changesAfter = 0;
    parameters.GetNumberOfChanges(&changesAfter);
    EXPECT_GT(changesAfter, changesBefore);

    // The same value again, as a host re-sends a lane: nothing changes, nothing is posted.
    instance->HostAutomation().TakeEvents();
    ASSERT_EQ(instance->Automate("4", 1.0), AAX_SUCCESS);
    int32_t changesResent = 0;
    parameters.GetNumberOfChanges(&changesResent);
    EXPECT_EQ(changesResent, changesAfter);
    EXPECT_TRUE(EventsOf(instance->HostAutomation().TakeEvents(), Event::Kind::kCurrent, "4").empty());

    // A chunk saved before the edit, restored: its values come back through set
    // requests marked as made inside SetChunk, and the host's view follows.
    AAX_CTypeID id = 0;
    std::vector<char> edited;
    ASSERT_EQ(instance->SaveChunk(id, edited), AAX_SUCCESS);
    ASSERT_EQ(instance->Automate("4", 0.0), AAX_SUCCESS);
    instance->HostAutomation().TakeEvents();
    ASSERT_EQ(instance->LoadChunk(id, edited), AAX_SUCCESS);
    const std::vector<Event> restored = EventsOf(instance->HostAutomation().Events(), Event::Kind::kSet, "4");
    ASSERT_FALSE(restored.empty());
    EXPECT_EQ(restored.back().source, kUpdateInsideSetChunk);
    EXPECT_EQ(restored.back().value, 1.0);
    instance->DeliverAutomation();
    EXPECT_EQ(instance->NormalizedValue("4").value_or(-1), 1.0);
    bool equal = false;
    EXPECT_EQ(instance->CompareChunk(id, edited, equal), AAX_SUCCESS);
    EXPECT_TRUE(equal);
  }
  EXPECT_EQ(Findings(*module), "");
}

TEST(AaxBundle, EntryPointsAnswerTheirCodesToOddCalls)
{
  auto module = LoadAax();
  ASSERT_TRUE(module);
  const EntryPoints& entry = module->Entry();
  IACFUnknown* host = module->HostUnknown();
  uint64_t version = 0;
  EXPECT_EQ(entry.getSdkVersion(&version), ACF_OK);
  EXPECT_EQ(version, kSdkVersion);
  EXPECT_NE(entry.getSdkVersion(nullptr), ACF_OK);
  void* factory = &version;
  EXPECT_EQ(entry.getClassFactory(host, CompEffectParameters, IID_IACFUnknown, &factory), AAX_ERROR_UNIMPLEMENTED);
  EXPECT_EQ(factory, nullptr);
  IACFComponentDefinition* definition = reinterpret_cast<IACFComponentDefinition*>(&version);
  EXPECT_EQ(entry.registerComponent(host, 0, &definition), ACF_OK);
  EXPECT_EQ(definition, nullptr);
  EXPECT_NE(entry.registerPlugin(host, nullptr), ACF_OK) << "nowhere to put the definition";
  EXPECT_NE(entry.registerPlugin(nullptr, nullptr), ACF_OK);
  EXPECT_EQ(entry.canUnloadNow(host), ACF_OK);
  EXPECT_EQ(Findings(*module), "");
}

TEST(AaxBundle, TheEffectParametersObjectRefusesBadInputWithTheInterfacesCodes)
{
  auto module = LoadAax();
  ASSERT_TRUE(module);
  {
    auto instance = MakeInstance(*module);
    ASSERT_TRUE(instance);
    IEffectParametersV4& parameters = instance->Parameters();
    void* out = &parameters;
    EXPECT_EQ(parameters.QueryInterface(IID_ViewContainerV1, &out), ACF_E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_NE(parameters.QueryInterface(IID_EffectParametersV1, nullptr), ACF_OK);

    double value = -1;
    EXPECT_EQ(parameters.GetParameterNormalizedValue("no such", &value), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(parameters.UpdateParameterNormalizedValue("99", 0.5, kUpdateUnspecified),
              AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_NE(parameters.GetParameterNormalizedValue(nullptr, &value), AAX_SUCCESS);
    EXPECT_NE(parameters.GetParameterNormalizedValue("1", nullptr), AAX_SUCCESS);
    EXPECT_NE(parameters.GetNumberOfParameters(nullptr), AAX_SUCCESS);
    HostString id("stale");
    EXPECT_EQ(parameters.GetParameterIDFromIndex(1000, &id), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(id.Text(), "");
    HostString text("not a number at all");
    EXPECT_EQ(parameters.GetParameterValueFromString("3", &value, text), AAX_ERROR_INVALID_STRING_CONVERSION);
    EXPECT_EQ(parameters.GetCurveData(0, nullptr, 0, nullptr), AAX_ERROR_UNIMPLEMENTED);

    // Chunks: a foreign index or ID is refused, and nothing changes.
    AAX_CTypeID chunkId = 1;
    EXPECT_EQ(parameters.GetChunkIDFromIndex(1, &chunkId), AAX_ERROR_INVALID_CHUNK_INDEX);
    EXPECT_EQ(chunkId, 0u);
    uint32_t size = 7;
    EXPECT_EQ(parameters.GetChunkSize(0x666F6F21, &size), AAX_ERROR_INVALID_CHUNK_ID);
    EXPECT_EQ(size, 0u);
    AAX_CTypeID savedId = 0;
    std::vector<char> saved;
    ASSERT_EQ(instance->SaveChunk(savedId, saved), AAX_SUCCESS);
    EXPECT_EQ(instance->LoadChunk(0x666F6F21, saved), AAX_ERROR_INVALID_CHUNK_ID);
    EXPECT_NE(parameters.SetChunk(kChunkId, nullptr), AAX_SUCCESS);
    EXPECT_NE(parameters.GetChunk(kChunkId, nullptr), AAX_SUCCESS);
    EXPECT_NE(parameters.CompareActiveChunk(nullptr, nullptr), AAX_SUCCESS);

    // Hostile and cut data, and records whose size field lies short or negative: either
    // refused or ignored, and the state stays what it was.
    const std::vector<std::vector<char>> hostile = {
        {}, {'\xff', '\xff', '\xff', '\xff'}, std::vector<char>(saved.begin(), saved.begin() + saved.size() / 2),
        std::vector<char>(4096, '\x7f')};
    for (const auto& data : hostile)
    {
      const AAX_Result result = instance->LoadChunk(kChunkId, data);
      EXPECT_TRUE(result == AAX_SUCCESS || result == AAX_ERROR_MALFORMED_CHUNK ||
                  result == AAX_ERROR_INCORRECT_CHUNK_SIZE)
          << result;
    }
    EXPECT_NE(instance->LoadChunk(kChunkId, saved, -5), AAX_SUCCESS);
    const AAX_Result shortened = instance->LoadChunk(kChunkId, saved, static_cast<int32_t>(saved.size() / 3));
    EXPECT_TRUE(shortened == AAX_SUCCESS || shortened == AAX_ERROR_MALFORMED_CHUNK ||
                shortened == AAX_ERROR_INCORRECT_CHUNK_SIZE)
        << shortened;
    instance->DeliverAutomation();
    std::vector<char> after;
    ASSERT_EQ(instance->SaveChunk(savedId, after), AAX_SUCCESS);
    EXPECT_EQ(after, saved) << "a bad chunk changed the state";

    // A render context with its fields missing: no crash, nothing written where no
    // buffer is.
    std::vector<void*> context = instance->Context();
    for (size_t field = 0; field < context.size(); ++field)
    {
      std::vector<void*> broken = context;
      broken[field] = nullptr;
      instance->RenderContext(broken.data());
    }
    instance->RenderProc()(nullptr, nullptr);
  }
  EXPECT_EQ(Findings(*module), "");
}

TEST(AaxBundle, CallsBeforeInitializeAndAfterUninitializeAreRefusedWithoutACrash)
{
  auto module = LoadAax();
  ASSERT_TRUE(module);
  const EffectDescriptor& effect = *module->Effect(kEffectId);
  {
    IACFUnknown* made = effect.Proc(kProcCreateEffectParameters)();
    ASSERT_NE(made, nullptr);
    void* pointer = nullptr;
    ASSERT_EQ(made->QueryInterface(IID_EffectParametersV4, &pointer), ACF_OK);
    auto* parameters = static_cast<IEffectParametersV4*>(pointer);
    double value = 0;
    const AAX_Result early = parameters->UpdateParameterNormalizedValue("1", 0.5, kUpdateUnspecified);
    EXPECT_TRUE(early == AAX_ERROR_NOT_INITIALIZED || early == AAX_ERROR_INVALID_PARAMETER_ID) << early;
    EXPECT_NE(parameters->GetParameterNormalizedValue("1", &value), AAX_SUCCESS);
    EXPECT_NE(parameters->SetChunk(kChunkId, nullptr), AAX_SUCCESS);
    EXPECT_NE(parameters->Initialize(nullptr), AAX_SUCCESS) << "no controller to work with";
    EXPECT_EQ(parameters->Release(), 0u);
  }
  {
    auto instance = MakeInstance(*module);
    ASSERT_TRUE(instance);
    IEffectParametersV4& parameters = instance->Parameters();
    parameters.AddRef();
    ASSERT_EQ(parameters.Uninitialize(), AAX_SUCCESS);
    double value = 0;
    const AAX_Result late = parameters.UpdateParameterNormalizedValue("1", 0.5, kUpdateUnspecified);
    EXPECT_TRUE(late == AAX_ERROR_NOT_INITIALIZED || late == AAX_ERROR_INVALID_PARAMETER_ID) << late;
    EXPECT_NE(parameters.GetParameterNormalizedValue("1", &value), AAX_SUCCESS);
    EXPECT_EQ(parameters.Uninitialize(), AAX_SUCCESS) << "a second Uninitialize changes nothing";
    parameters.Release();
    // The GUI object: no controller, no editor.
    IACFUnknown* gui = effect.Proc(kProcCreateEffectGUI)();
    ASSERT_NE(gui, nullptr);
    void* pointer = nullptr;
    ASSERT_EQ(gui->QueryInterface(IID_EffectGUIV2, &pointer), ACF_OK);
    auto* editor = static_cast<IEffectGUIV2*>(pointer);
    EXPECT_EQ(editor->Initialize(nullptr), AAX_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(editor->Release(), 0u);
  }
  EXPECT_EQ(Findings(*module), "");
}

TEST(AaxBundle, RenderingAllocatesNothingWhateverBlockLengthTheHostSends)
{
  auto module = LoadAax();
  ASSERT_TRUE(module);
  {
    auto instance = MakeInstance(*module);
    ASSERT_TRUE(instance);
    ASSERT_EQ(instance->Automate("2", 0.8), AAX_SUCCESS); // integrated loudness: the heaviest measure
    constexpr int kLongest = 8192;
    std::vector<float> in(kLongest, 0.1f), outLeft(kLongest), outRight(kLongest);
    const float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    instance->HostTransport().playing = true;
    instance->Render(inputs, outputs, 512);
    for (int frames : {512, 1, 17, 64, 4096, kLongest, 0, 3000, 512})
    {
      size_t allocations = 0;
      {
        const AllocationScope scope;
        instance->Render(inputs, outputs, frames);
        allocations = scope.count();
      }
      EXPECT_EQ(allocations, 0u) << frames << " frames";
      if (frames > 0)
      {
        EXPECT_TRUE(std::isfinite(outLeft[static_cast<size_t>(frames - 1)])) << frames << " frames";
      }
    }
  }
  EXPECT_EQ(Findings(*module), "");
}

#if defined(_WIN32)
// Runs the thread's window messages (the editor's timer, paints) for a while.
void PumpMessages(std::chrono::milliseconds duration)
{
  const auto end = std::chrono::steady_clock::now() + duration;
  do
  {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(5);
  } while (std::chrono::steady_clock::now() < end);
}

TEST(AaxBundle, TheEditorOpensAsAChildOfTheHostsWindowAndClosesAgain)
{
  auto module = LoadAax();
  ASSERT_TRUE(module);
  {
    auto instance = MakeInstance(*module);
    ASSERT_TRUE(instance);
    HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 640, 480, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    for (int round = 0; round < 2; ++round)
    {
      ASSERT_EQ(instance->OpenEditor(host), AAX_SUCCESS);
      EXPECT_EQ(instance->Container()->GetType(), kViewTypeHWND);
      AAX_Point size{0, 0};
      ASSERT_EQ(instance->Editor()->GetViewSize(&size), AAX_SUCCESS);
      PumpMessages(std::chrono::milliseconds(200));
      HWND editor = GetWindow(host, GW_CHILD);
      ASSERT_NE(editor, nullptr) << "no child window in the host's window";
      RECT client{};
      GetClientRect(editor, &client);
      EXPECT_EQ(client.right - client.left, static_cast<LONG>(size.horz));
      EXPECT_EQ(client.bottom - client.top, static_cast<LONG>(size.vert));
      EXPECT_TRUE(IsWindowVisible(editor));
      ASSERT_EQ(instance->Editor()->SetViewContainer(nullptr), AAX_SUCCESS);
      PumpMessages(std::chrono::milliseconds(50));
      EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr) << "the editor's window stayed";
    }
    EXPECT_EQ(instance->CloseEditor(), AAX_SUCCESS);
    DestroyWindow(host);
  }
  EXPECT_EQ(Findings(*module), "");
}
#endif

TEST(AaxBundle, BothDeliverablesGiveTheSameSamplesAndTheSameLevel)
{
  auto aaxModule = LoadAax();
  ASSERT_TRUE(aaxModule);
  auto aax = MakeInstance(*aaxModule);
  ASSERT_TRUE(aax);

  auto vst3Module = vst3host::Module::load(QUENMARK_VST3_BUNDLE_PATH);
  ASSERT_TRUE(vst3Module) << vst3Module.status().message();
  auto effect = vst3Module.value()->firstAudioEffect();
  ASSERT_TRUE(effect);
  auto vst3 = vst3host::PluginInstance::create(vst3Module.value(), effect.value());
  ASSERT_TRUE(vst3) << vst3.status().message();
  vst3host::RunnerConfig config;
  config.symbolicSampleSize = Steinberg::Vst::kSample32;
  config.sampleRate = kSampleRate;
  config.maxBlockFrames = kBlockFrames;
  auto runner = vst3host::ProcessRunner::start(*vst3.value(), config);
  ASSERT_TRUE(runner) << runner.status().message();

  // The Standard workflow: analyse while playing, stop, then the gain stays applied.
  std::vector<float> in(kBlockFrames);
  std::vector<float> outAax[2] = {std::vector<float>(kBlockFrames), std::vector<float>(kBlockFrames)};
  std::vector<float> outVst3[2] = {std::vector<float>(kBlockFrames), std::vector<float>(kBlockFrames)};
  const float* inputs[2] = {in.data(), in.data()};
  float* aaxOutputs[2] = {outAax[0].data(), outAax[1].data()};
  float* vst3Outputs[2] = {outVst3[0].data(), outVst3[1].data()};
  const int blocks = static_cast<int>(6 * kSampleRate) / kBlockFrames;
  float worst = 0.0f;
  double gainedBlocks = 0;
  for (int b = 0; b < blocks; ++b)
  {
    const bool playing = b < blocks / 2;
    aax->HostTransport().playing = playing;
    runner.value()->setPlaying(playing);
    for (int f = 0; f < kBlockFrames; ++f)
      in[static_cast<size_t>(f)] = Programme(b * kBlockFrames + f);
    aax->Render(inputs, aaxOutputs, kBlockFrames);
    ASSERT_TRUE(runner.value()->process(inputs, vst3Outputs, kBlockFrames)) << b;
    for (int c = 0; c < 2; ++c)
      for (int f = 0; f < kBlockFrames; ++f)
        worst = std::max(worst, std::fabs(outAax[c][static_cast<size_t>(f)] - outVst3[c][static_cast<size_t>(f)]));
    if (std::fabs(outAax[0][100]) > std::fabs(in[100]) * 1.5f)
      ++gainedBlocks;
  }
  EXPECT_LE(worst, kSampleTolerance32);
  EXPECT_GT(gainedBlocks, blocks / 4) << "the comparison is of gained audio, not of a copy";

  AAX_CTypeID id = 0;
  std::vector<char> aaxState;
  ASSERT_EQ(aax->SaveChunk(id, aaxState), AAX_SUCCESS);
  auto vst3State = vst3.value()->saveState();
  ASSERT_TRUE(vst3State);
  const std::vector<char> vst3Bytes(vst3State.value().begin(), vst3State.value().end() - 4); // less the bypass word
  const double aaxLevel = MaxPeakOf(aaxState);
  EXPECT_NEAR(aaxLevel, MaxPeakOf(vst3Bytes), kLevelToleranceDb);
  EXPECT_NEAR(aaxLevel, 20.0 * std::log10(0.1), 0.05) << "the programme's highest peak";
  EXPECT_TRUE(runner.value()->stop());
}
} // namespace
