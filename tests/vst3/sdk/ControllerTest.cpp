// The controller base: parameter export, host-side value conversion, and edits reported
// through the component handler.

#include "TestDoubles.h"

#include "HostApplication.h"

#include <gtest/gtest.h>

#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
class ControllerTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(controller->initialize(host->unknown()), kResultOk);
    auto gain = std::make_unique<RangeParameter>(u"Gain", 0, u"dB", -60., 12., 0.);
    gain->setPrecision(1);
    controller->getParameters().addParameter(std::move(gain));
    controller->getParameters().addParameter(u"Mix", u"%", 0, 0.25, ParameterInfo::kCanAutomate, 9);
  }
  void TearDown() override { controller->terminate(); }

  IPtr<HostApplication> host = IPtr<HostApplication>::adopt(new HostApplication);
  IPtr<EditController> controller = IPtr<EditController>::adopt(new EditController);
};
} // namespace

TEST_F(ControllerTest, ExportsParametersByIndexAndConvertsById)
{
  EXPECT_EQ(controller->getParameterCount(), 2);
  ParameterInfo info{};
  ASSERT_EQ(controller->getParameterInfo(1, info), kResultTrue);
  EXPECT_EQ(info.id, 9u);
  EXPECT_EQ(std::u16string(info.title), u"Mix");
  EXPECT_EQ(std::u16string(info.units), u"%");
  EXPECT_EQ(info.defaultNormalizedValue, 0.25);
  EXPECT_EQ(controller->getParameterInfo(2, info), kResultFalse);
  EXPECT_EQ(controller->getParameterInfo(-1, info), kResultFalse);

  String128 text;
  ASSERT_EQ(controller->getParamStringByValue(0, 0., text), kResultTrue);
  EXPECT_EQ(std::u16string(text), u"-60.0");
  EXPECT_EQ(controller->getParamStringByValue(5, 0., text), kResultFalse);
  EXPECT_EQ(controller->getParamStringByValue(0, 0., nullptr), kResultFalse);

  ParamValue value = -1.;
  char16 entered[] = u"-12";
  ASSERT_EQ(controller->getParamValueByString(0, entered, value), kResultTrue);
  EXPECT_NEAR(controller->normalizedParamToPlain(0, value), -12., 1e-9);
  char16 nonsense[] = u"loud";
  EXPECT_EQ(controller->getParamValueByString(0, nonsense, value), kResultFalse);
  EXPECT_EQ(controller->getParamValueByString(5, entered, value), kResultFalse);

  EXPECT_NEAR(controller->plainParamToNormalized(0, 0.), 60. / 72., 1e-12);
  // Unknown IDs pass values through unchanged.
  EXPECT_EQ(controller->normalizedParamToPlain(5, 0.3), 0.3);
  EXPECT_EQ(controller->plainParamToNormalized(5, 42.), 42.);
}

TEST_F(ControllerTest, HostValuesAreClampedAndNeverEchoed)
{
  auto handler = IPtr<RecordingHandler>::adopt(new RecordingHandler(true));
  controller->setComponentHandler(handler.get());
  EXPECT_EQ(controller->setParamNormalized(9, 1.5), kResultTrue);
  EXPECT_EQ(controller->getParamNormalized(9), 1.);
  EXPECT_EQ(controller->setParamNormalized(9, 1.), kResultTrue); // unchanged is still success
  EXPECT_EQ(controller->setParamNormalized(5, 0.5), kResultFalse);
  EXPECT_EQ(controller->getParamNormalized(5), 0.);
  EXPECT_TRUE(handler->calls.empty());
}

TEST_F(ControllerTest, EditsWithoutAHandlerDoNothing)
{
  EXPECT_EQ(controller->beginEdit(0), kResultFalse);
  EXPECT_EQ(controller->performEdit(0, 0.5), kResultFalse);
  EXPECT_EQ(controller->endEdit(0), kResultFalse);
  EXPECT_EQ(controller->startGroupEdit(), kNotImplemented);
  EXPECT_EQ(controller->setDirty(true), kNotImplemented);
}

TEST_F(ControllerTest, EditsGoToTheHandlerThatIsSet)
{
  auto handler = IPtr<RecordingHandler>::adopt(new RecordingHandler(true));
  ASSERT_EQ(controller->setComponentHandler(handler.get()), kResultTrue);
  EXPECT_EQ(handler->refCount(), 3u); // ours, the controller's, and its IComponentHandler2
  EXPECT_EQ(controller->setComponentHandler(handler.get()), kResultTrue);
  EXPECT_EQ(handler->refCount(), 3u);

  EXPECT_EQ(controller->beginEdit(9), kResultOk);
  EXPECT_EQ(controller->performEdit(9, 0.5), kResultOk);
  EXPECT_EQ(controller->endEdit(9), kResultOk);
  EXPECT_EQ(controller->startGroupEdit(), kResultOk);
  EXPECT_EQ(controller->finishGroupEdit(), kResultOk);
  EXPECT_EQ(controller->setDirty(true), kResultOk);
  EXPECT_EQ(controller->requestOpenEditor(), kResultOk);
  const std::vector<std::string> expected = {"begin 9", "perform 9 0.500000", "end 9", "group start", "group end",
                                             "dirty 1", "open editor"};
  EXPECT_EQ(handler->calls, expected);

  ASSERT_EQ(controller->setComponentHandler(nullptr), kResultTrue);
  EXPECT_EQ(handler->refCount(), 1u);
  EXPECT_EQ(controller->beginEdit(9), kResultFalse);
}

TEST_F(ControllerTest, AHandlerWithoutTheSecondInterfaceStillTakesEdits)
{
  auto handler = IPtr<RecordingHandler>::adopt(new RecordingHandler(false));
  controller->setComponentHandler(handler.get());
  EXPECT_EQ(controller->getComponentHandler2(), nullptr);
  EXPECT_EQ(controller->performEdit(0, 1.), kResultOk);
  EXPECT_EQ(controller->startGroupEdit(), kNotImplemented);
  EXPECT_EQ(handler->calls.size(), 1u);
}

TEST_F(ControllerTest, TerminateDropsParametersHandlerAndContext)
{
  auto handler = IPtr<RecordingHandler>::adopt(new RecordingHandler(true));
  controller->setComponentHandler(handler.get());
  EXPECT_EQ(host->refCount(), 2u);
  EXPECT_EQ(controller->initialize(host->unknown()), kResultFalse); // already initialized
  EXPECT_EQ(host->refCount(), 2u);

  EXPECT_EQ(controller->terminate(), kResultOk);
  EXPECT_EQ(controller->getParameterCount(), 0);
  EXPECT_EQ(handler->refCount(), 1u);
  EXPECT_EQ(host->refCount(), 1u);
  EXPECT_EQ(controller->getHostContext(), nullptr);
  // Usable again after a new initialize.
  EXPECT_EQ(controller->initialize(host->unknown()), kResultOk);
}

TEST_F(ControllerTest, KnobModeAndDefaults)
{
  EXPECT_EQ(controller->setKnobMode(kLinearMode), kResultTrue);
  EXPECT_EQ(EditController::getHostKnobMode(), kLinearMode);
  EXPECT_EQ(controller->setKnobMode(7), kResultFalse);
  EXPECT_EQ(EditController::getHostKnobMode(), kLinearMode);
  controller->setKnobMode(kCircularMode);

  EXPECT_EQ(controller->openHelp(0), kResultFalse);
  EXPECT_EQ(controller->openAboutBox(1), kResultFalse);
  EXPECT_EQ(controller->createView("editor"), nullptr);
  EXPECT_EQ(controller->setComponentState(nullptr), kNotImplemented);
  EXPECT_EQ(controller->getEditorState(nullptr), kNotImplemented);
}
