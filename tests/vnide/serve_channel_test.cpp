// vnide serve's exchange between the request threads and the design thread,
// and the transcript it keeps for the page.
#include "serve_channel.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "serve_driver.h"

namespace vnide {
namespace {

using namespace std::chrono_literals;

TEST(ServeChannel, CheckActionNamesWhatIsWrongWithABody) {
  const std::pair<TJson, std::string> Cases[] = {
      {{{"op", "select"}, {"names", {"A", "B"}}}, ""},
      {{{"op", "ellipsis"}, {"property", "SQL"}}, ""},
      {{{"op", "verb"}, {"component", "Q"}, {"index", "Edit SQL"}}, ""},
      {{{"op", "save"}}, ""},
      {TJson::array(), "the body is no JSON object"},
      {{{"names", {"A"}}}, "the body has no op"},
      {{{"op", "frobnicate"}}, "unknown op frobnicate"},
      {{{"op", "select"}, {"names", {"A", 1}}}, "names must be an array of strings"},
      {{{"op", "move"}, {"component", "Q"}, {"left", 1.5}, {"top", 2}}, "left must be an integer"},
      {{{"op", "memo"}, {"control", "meSQL"}}, "memo needs lines"},
  };
  for (const auto& [Body, Expected] : Cases) EXPECT_EQ(CheckAction(Body), Expected) << Body;
}

TEST(ServeChannel, VersionGrowsOnlyWhenTheStateChangesAndLongPollsWaitForIt) {
  TServeChannel Channel;
  EXPECT_EQ(Channel.Publish({{"selection", {"A"}}})["version"], 1);
  EXPECT_EQ(Channel.Publish({{"selection", {"A"}}})["version"], 1);
  // Nothing newer than version 1: the poll waits out its time.
  EXPECT_EQ(TJson::parse(Channel.State(1, 50ms))["version"], 1);
  auto Poll = std::async(std::launch::async, [&] { return TJson::parse(Channel.State(1, 20s)); });
  std::this_thread::sleep_for(50ms);
  Channel.Publish({{"selection", {"B"}}});
  const TJson State = Poll.get();
  EXPECT_EQ(State["version"], 2);
  EXPECT_EQ(State["selection"], TJson({"B"}));
}

TEST(ServeChannel, ActionsAreAnsweredWithTheStateAndClosingAnswersTheRest) {
  TServeChannel Channel;
  Channel.Publish({{"form", 0}});
  auto Act = [&](const char* Op) {
    auto Action = std::make_shared<TServeAction>();
    Action->Request = {{"op", Op}};
    return std::async(std::launch::async, [&Channel, Action] {
      Channel.Act(Action);
      return Action;
    });
  };
  auto First = Act("save");
  const std::shared_ptr<TServeAction> Taken = Channel.Next();
  ASSERT_NE(Taken, nullptr);
  Channel.Answer(*Taken, 200, {{"ok", true}});
  EXPECT_EQ(First.get()->Answer["state"]["version"], 1);

  // Queued or not yet when the server ends: answered either way.
  auto Second = Act("save");
  std::this_thread::sleep_for(50ms);
  Channel.Close();
  EXPECT_EQ(Second.get()->Status, 503);
  EXPECT_EQ(Channel.Next(), nullptr);
}

TEST(ServeTranscript, KeepsTheLastLinesAndFindsTheFirstErrorSinceAMark) {
  TTranscriptBuffer Buffer(3);
  std::ostream Out(&Buffer);
  Out << "one\ntwo\n";
  const std::size_t Mark = Buffer.Total();
  Out << "[Form] opened\nerror: no control btX\nerror: second\n";
  EXPECT_EQ(Buffer.Lines(), std::deque<std::string>({"[Form] opened", "error: no control btX", "error: second"}));
  EXPECT_EQ(Buffer.FirstSince(Mark, {"error: "}), "error: no control btX");
  EXPECT_EQ(Buffer.FirstSince(Buffer.Total(), {"error: "}), "");
}

}  // namespace
}  // namespace vnide
