// The line between the plugin and its editor helper, over a real socket pair.
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Gui/EditorChannel.h"

namespace strobe95 {
namespace {

TEST(EditorLines, CutWholeLinesAndKeepTheRest) {
  struct Case {
    std::string buffer;
    std::vector<std::string> lines;
    std::string rest;
  };
  const Case cases[] = {
      {"", {}, ""},
      {"{\"op\":", {}, "{\"op\":"},
      {"a\n", {"a"}, ""},
      {"a\nb\nc", {"a", "b"}, "c"},
      {"\n\nx\n", {"", "", "x"}, ""},
  };
  for (const Case& c : cases) {
    std::string buffer = c.buffer;
    EXPECT_EQ(takeLines(buffer), c.lines) << c.buffer;
    EXPECT_EQ(buffer, c.rest) << c.buffer;
  }
}

class EditorChannelPair : public ::testing::Test {
 protected:
  void SetUp() override {
    int sockets[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
    plugin_ = std::make_unique<EditorChannel>(sockets[0]);
    helperSocket_ = sockets[1];
  }
  void TearDown() override {
    if (helperSocket_ >= 0) close(helperSocket_);
  }

  std::vector<nlohmann::json> received() {
    std::vector<nlohmann::json> messages;
    plugin_->pump([&](const nlohmann::json& message) { messages.push_back(message); });
    return messages;
  }

  std::unique_ptr<EditorChannel> plugin_;
  int helperSocket_ = -1;
};

TEST_F(EditorChannelPair, DeliversWholeObjectsInOrderAndDropsTheRest) {
  const std::string text = "{\"op\":\"call\",\"text\":\"a\\nb\"}\nnot json\n[1,2]\n{\"op\":\"res";
  ASSERT_EQ(write(helperSocket_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  auto messages = received();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]["text"], "a\nb");  // a line feed inside a string stays escaped on the line
  const std::string rest = "ult\",\"id\":7}\n";
  ASSERT_EQ(write(helperSocket_, rest.data(), rest.size()), static_cast<ssize_t>(rest.size()));
  messages = received();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]["id"], 7);
  EXPECT_TRUE(plugin_->open());
}

TEST_F(EditorChannelPair, SendsLargeMessagesWhole) {
  const std::string script(1 << 20, 'x');  // far beyond what the socket takes at once
  plugin_->send({{"op", "eval"}, {"script", script}, {"id", 0}});
  std::string arrived;
  char chunk[65536];
  while (arrived.find('\n') == std::string::npos) {
    plugin_->pump([](const nlohmann::json&) {});
    const ssize_t got = read(helperSocket_, chunk, sizeof chunk);
    ASSERT_GT(got, 0);
    arrived.append(chunk, static_cast<std::size_t>(got));
  }
  const auto message = nlohmann::json::parse(arrived);
  EXPECT_EQ(message["script"].get<std::string>().size(), script.size());
}

TEST_F(EditorChannelPair, ClosesWhenTheOtherEndGoesAfterWhatItSent) {
  const std::string last = "{\"op\":\"embedded\",\"ok\":true}\n";
  ASSERT_EQ(write(helperSocket_, last.data(), last.size()), static_cast<ssize_t>(last.size()));
  close(helperSocket_);
  helperSocket_ = -1;
  EXPECT_EQ(received().size(), 1u);
  EXPECT_FALSE(plugin_->open());
}

TEST_F(EditorChannelPair, SendingToAGoneHelperClosesWithoutASignal) {
  close(helperSocket_);
  helperSocket_ = -1;
  plugin_->send({{"op", "show"}, {"visible", true}});  // SIGPIPE would end the test program
  EXPECT_FALSE(plugin_->open());
}

}  // namespace
}  // namespace strobe95
