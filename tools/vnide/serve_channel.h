// vnide serve: what passes between the server's request threads and the
// design thread. Requests that act are queued to the design thread and
// answered when it waits for the person again; the state it published last is
// read without it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

namespace vnide {

using TJson = nlohmann::ordered_json;

// A request that acts, and its answer.
struct TServeAction {
  TJson Request;  // {"op": ..., ...}, checked by CheckAction
  // Set by the design thread (or by Close) before Done.
  int Status = 200;
  TJson Answer;   // {"ok": ..., ["error": ...,] ..., "state": STATE}
  std::string Picture;  // the picture's PNG data (op "picture", which the server makes itself)
  bool Done = false;
};

// What is wrong with a request's body ("" when nothing): an op the contract
// does not have, or a field of the wrong kind.
std::string CheckAction(const TJson& Request);
// Whether the op acts on an open dialog (dialog, memo) rather than on the form.
bool IsDialogOp(const TJson& Request);

class TServeChannel {
 public:
  // Request threads: queues Action and waits until it is answered (Done);
  // an action still queued when the channel closes is answered with 503.
  void Act(const std::shared_ptr<TServeAction>& Action);
  // At most this many requests wait in State at once; the oldest is answered
  // when one more comes, so that waiting requests never hold every thread.
  explicit TServeChannel(std::size_t MaxWaiting = 16) : FMaxWaiting(MaxWaiting) {}

  // The published state as JSON text: at once when its version is above
  // Since (or Since is absent, negative), else when it is, or after Timeout,
  // or when the channel closes, or when MaxWaiting later requests came.
  std::string State(std::int64_t Since, std::chrono::milliseconds Timeout);

  // Design thread: publishes State, giving it the next version when it
  // differs from the last one published. Returns the state as published.
  const TJson& Publish(TJson State);
  // The next queued action; null once the channel is closed.
  std::shared_ptr<TServeAction> Next();
  // As Next, but gives up after Timeout: then Action is null and the answer
  // true. False once the channel is closed.
  bool NextWithin(std::chrono::milliseconds Timeout, std::shared_ptr<TServeAction>& Action);
  // Answers Action with Status and Answer, the state published last added.
  void Answer(TServeAction& Action, int Status, TJson Answer);

  // Any thread (the signal watcher): Next returns null from now on and every
  // waiting request returns.
  void Close();
  bool Closed() const;

 private:
  mutable std::mutex FMutex;
  std::condition_variable FChanged;
  std::deque<std::shared_ptr<TServeAction>> FQueue;
  bool FClosed = false;
  std::int64_t FVersion = 0;
  TJson FState = TJson::object();  // without its version
  TJson FPublished = TJson::object();
  std::string FStateText = "{}";
  std::size_t FMaxWaiting;
  std::uint64_t FNextTicket = 0;
  std::deque<std::uint64_t> FWaiting;  // tickets of the requests waiting in State, oldest first
  std::uint64_t FReleasedUpTo = 0;     // tickets below this were told to stop waiting
};

}  // namespace vnide
