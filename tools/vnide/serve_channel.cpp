#include "serve_channel.h"

#include <algorithm>
#include <map>
#include <vector>

#include "commands.h"

namespace vnide {

namespace {

enum TFieldKind { fkString, fkStrings, fkInteger, fkBoolean, fkIndexOrCaption, fkOptionalBoolean };

struct TField {
  const char* Name;
  TFieldKind Kind;
};

const std::map<std::string, std::vector<TField>, std::less<>>& Ops() {
  static const std::map<std::string, std::vector<TField>, std::less<>> Table = {
      {"select", {{"names", fkStrings}}},
      {"set", {{"property", fkString}, {"value", fkString}}},
      {"values", {{"property", fkString}}},
      {"ellipsis", {{"property", fkString}, {"alt", fkOptionalBoolean}}},
      {"verbs", {{"component", fkString}}},
      {"verb", {{"component", fkString}, {"index", fkIndexOrCaption}}},
      {"dblclick", {{"component", fkString}}},
      {"move", {{"component", fkString}, {"left", fkInteger}, {"top", fkInteger}}},
      {"drag", {{"node", fkString}, {"target", fkString}}},
      {"paletteDrop", {{"class", fkString}, {"target", fkString}}},
      {"dialog", {{"command", fkString}}},
      {"memo", {{"control", fkString}, {"lines", fkStrings}}},
      {"module", {{"command", fkString}, {"name", fkString}}},
      {"moduleText", {{"name", fkString}, {"lines", fkStrings}}},
      {"save", {{"force", fkOptionalBoolean}}},
      {"reload", {}},
      {"form", {{"index", fkInteger}}},
  };
  return Table;
}

bool Fits(const TJson& Value, TFieldKind Kind) {
  switch (Kind) {
    case fkString: return Value.is_string();
    case fkStrings:
      if (!Value.is_array()) return false;
      for (const TJson& Item : Value)
        if (!Item.is_string()) return false;
      return true;
    case fkInteger: return Value.is_number_integer();
    case fkBoolean:
    case fkOptionalBoolean: return Value.is_boolean();
    case fkIndexOrCaption: return Value.is_number_integer() || Value.is_string();
  }
  return false;
}

const char* KindText(TFieldKind Kind) {
  switch (Kind) {
    case fkString: return "a string";
    case fkStrings: return "an array of strings";
    case fkInteger: return "an integer";
    case fkBoolean:
    case fkOptionalBoolean: return "true or false";
    case fkIndexOrCaption: return "an index or a caption";
  }
  return "";
}

}  // namespace

std::string CheckAction(const TJson& Request) {
  if (!Request.is_object()) return "the body is no JSON object";
  const auto Op = Request.find("op");
  if (Op == Request.end() || !Op->is_string()) return "the body has no op";
  const auto Found = Ops().find(Op->get<std::string>());
  if (Found == Ops().end()) return "unknown op " + Op->get<std::string>();
  for (const TField& Field : Found->second) {
    const auto Value = Request.find(Field.Name);
    if (Value == Request.end()) {
      if (Field.Kind == fkOptionalBoolean) continue;
      return Found->first + " needs " + Field.Name;
    }
    if (!Fits(*Value, Field.Kind)) return std::string(Field.Name) + " must be " + KindText(Field.Kind);
  }
  return "";
}

bool IsDialogOp(const TJson& Request) {
  const std::string& Op = Request.at("op").get_ref<const std::string&>();
  return Op == "dialog" || Op == "memo";
}

void TServeChannel::Act(const std::shared_ptr<TServeAction>& Action) {
  std::unique_lock Lock(FMutex);
  if (FClosed) {
    Action->Status = 503;
    Action->Answer = {{"ok", false}, {"error", "the server is ending"}};
    Action->Done = true;
    return;
  }
  FQueue.push_back(Action);
  FChanged.notify_all();
  FChanged.wait(Lock, [&] { return Action->Done; });
}

std::string TServeChannel::State(std::int64_t Since, std::chrono::milliseconds Timeout) {
  std::unique_lock Lock(FMutex);
  if (FClosed || FVersion > Since || Timeout.count() <= 0) return FStateText;
  const std::uint64_t Ticket = FNextTicket++;
  FWaiting.push_back(Ticket);
  if (FWaiting.size() > FMaxWaiting) {
    // Tickets only grow: releasing the oldest releases every one before it.
    FWaiting.pop_front();
    FReleasedUpTo = FWaiting.front();
    FChanged.notify_all();
  }
  FChanged.wait_for(Lock, Timeout, [&] { return FClosed || FVersion > Since || Ticket < FReleasedUpTo; });
  if (const auto It = std::find(FWaiting.begin(), FWaiting.end(), Ticket); It != FWaiting.end()) FWaiting.erase(It);
  return FStateText;
}

const TJson& TServeChannel::Publish(TJson State) {
  std::lock_guard Lock(FMutex);
  if (State != FState || FVersion == 0) {
    FState = std::move(State);
    ++FVersion;
    FPublished = TJson::object();
    FPublished["version"] = FVersion;
    for (const auto& [Key, Value] : FState.items()) FPublished[Key] = Value;
    FStateText = JsonText(FPublished);
    FChanged.notify_all();
  }
  return FPublished;
}

std::shared_ptr<TServeAction> TServeChannel::Next() {
  std::unique_lock Lock(FMutex);
  FChanged.wait(Lock, [&] { return FClosed || !FQueue.empty(); });
  if (FClosed) return nullptr;
  std::shared_ptr<TServeAction> Action = std::move(FQueue.front());
  FQueue.pop_front();
  return Action;
}

bool TServeChannel::NextWithin(std::chrono::milliseconds Timeout, std::shared_ptr<TServeAction>& Action) {
  std::unique_lock Lock(FMutex);
  Action = nullptr;
  FChanged.wait_for(Lock, Timeout, [&] { return FClosed || !FQueue.empty(); });
  if (FClosed) return false;
  if (FQueue.empty()) return true;
  Action = std::move(FQueue.front());
  FQueue.pop_front();
  return true;
}

void TServeChannel::Answer(TServeAction& Action, int Status, TJson Answer) {
  std::lock_guard Lock(FMutex);
  Answer["state"] = FPublished;
  Action.Status = Status;
  Action.Answer = std::move(Answer);
  Action.Done = true;
  FChanged.notify_all();
}

void TServeChannel::Close() {
  std::lock_guard Lock(FMutex);
  FClosed = true;
  for (const std::shared_ptr<TServeAction>& Action : FQueue) {
    Action->Status = 503;
    Action->Answer = {{"ok", false}, {"error", "the server is ending"}};
    Action->Done = true;
  }
  FQueue.clear();
  FChanged.notify_all();
}

bool TServeChannel::Closed() const {
  std::lock_guard Lock(FMutex);
  return FClosed;
}

}  // namespace vnide
