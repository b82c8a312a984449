// Message connections between two components and the text messages they exchange.

#include "HostApplication.h"

#include "vst3/sdk/helpers/ComponentBase.h"
#include "vst3/sdk/helpers/Utf16.h"

#include <gtest/gtest.h>

#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
class TextReceiver : public ComponentBase
{
public:
  std::string lastText;

protected:
  tresult receiveText(const char8* text) override
  {
    lastText = text;
    return kResultTrue;
  }
};

class MessagingTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(sender->initialize(host->unknown()), kResultOk);
    ASSERT_EQ(receiver->initialize(host->unknown()), kResultOk);
  }

  IPtr<HostApplication> host = IPtr<HostApplication>::adopt(new HostApplication);
  IPtr<TextReceiver> sender = IPtr<TextReceiver>::adopt(new TextReceiver);
  IPtr<TextReceiver> receiver = IPtr<TextReceiver>::adopt(new TextReceiver);
};
} // namespace

TEST_F(MessagingTest, OneConnectionAtATime)
{
  EXPECT_EQ(sender->connect(nullptr), kInvalidArgument);
  ASSERT_EQ(sender->connect(receiver.get()), kResultOk);
  EXPECT_EQ(receiver->refCount(), 2u);
  EXPECT_EQ(sender->connect(receiver.get()), kResultFalse);
  EXPECT_EQ(sender->disconnect(sender.get()), kResultFalse);
  EXPECT_EQ(sender->disconnect(receiver.get()), kResultOk);
  EXPECT_EQ(receiver->refCount(), 1u);
  EXPECT_EQ(sender->disconnect(receiver.get()), kResultFalse);
}

TEST_F(MessagingTest, TextMessagesArriveAsUtf8)
{
  ASSERT_EQ(sender->connect(receiver.get()), kResultOk);
  EXPECT_EQ(sender->sendTextMessage("level \xE2\x86\x91"), kResultTrue);
  EXPECT_EQ(receiver->lastText, "level \xE2\x86\x91");
  EXPECT_EQ(host->createdMessages(), 1);

  // Long texts are cut to 255 characters.
  EXPECT_EQ(sender->sendTextMessage(std::string(400, 'a').c_str()), kResultTrue);
  EXPECT_EQ(receiver->lastText, std::string(255, 'a'));
}

TEST_F(MessagingTest, OtherMessagesAreNotForTheTextHook)
{
  EXPECT_EQ(receiver->notify(nullptr), kInvalidArgument);
  IPtr<IMessage> message = IPtr<IMessage>::adopt(sender->allocateMessage());
  ASSERT_TRUE(message);
  EXPECT_EQ(receiver->notify(message.get()), kResultFalse); // no ID
  message->setMessageID("Meter");
  EXPECT_EQ(receiver->notify(message.get()), kResultFalse);
  message->setMessageID("TextMessage");
  EXPECT_EQ(receiver->notify(message.get()), kResultFalse); // no "Text" attribute
  EXPECT_TRUE(receiver->lastText.empty());
}

TEST_F(MessagingTest, NothingIsSentWithoutPeerOrHost)
{
  EXPECT_EQ(sender->sendTextMessage("x"), kResultFalse);
  EXPECT_EQ(host->createdMessages(), 0);

  auto lonely = IPtr<TextReceiver>::adopt(new TextReceiver);
  EXPECT_EQ(lonely->allocateMessage(), nullptr); // never initialized: no host context
  ASSERT_EQ(lonely->connect(receiver.get()), kResultOk);
  EXPECT_EQ(lonely->sendTextMessage("x"), kResultFalse);
  EXPECT_EQ(lonely->sendMessage(nullptr), kInvalidArgument);
  lonely->terminate();
}

TEST_F(MessagingTest, TerminateDisconnectsBothSides)
{
  ASSERT_EQ(sender->connect(receiver.get()), kResultOk);
  ASSERT_EQ(receiver->connect(sender.get()), kResultOk);
  EXPECT_EQ(sender->terminate(), kResultOk);
  EXPECT_EQ(sender->getPeer(), nullptr);
  EXPECT_EQ(receiver->getPeer(), nullptr); // told through disconnect
  EXPECT_EQ(sender->refCount(), 1u);
  EXPECT_EQ(receiver->refCount(), 1u);
  EXPECT_EQ(host->refCount(), 2u); // only the receiver still holds the context
  receiver->terminate();
  EXPECT_EQ(host->refCount(), 1u);
}
