#include "line_editor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
// readline's headers use FILE without including stdio.h themselves.
#include <cstdio>

#include <readline/history.h>
#include <readline/readline.h>

#include "vcl/Controls.h"
#include "rtl/SysUtils.h"

namespace vn_vcl {

namespace {

TLineEditor* GActive = nullptr;

// Alt+letter and Alt+digit: the keys a caption's "&" can mark.
constexpr std::string_view AltKeys = "abcdefghijklmnopqrstuvwxyz0123456789";

// The bindings that the editor replaced, given back when it goes.
struct TSavedBindings {
  KEYMAP_ENTRY Meta[AltKeys.size()];
  rl_completion_func_t* Completion;
  rl_compentry_func_t* Entry;
  const char* WordBreaks;
  const char* Quotes;
  FILE* In;
  FILE* Out;
  const char* Name;
} GSaved;

Keymap MetaKeymap() { return rl_get_keymap_by_name("emacs-meta"); }

}  // namespace

TLineEditor::TLineEditor(std::FILE* In, std::FILE* Out, THooks Hooks) : FHooks(std::move(Hooks)) {
  if (GActive != nullptr) throw EInvalidOperation("Only one line editor can read the terminal at a time");
  GActive = this;
  GSaved.In = rl_instream;
  GSaved.Out = rl_outstream;
  GSaved.Name = rl_readline_name;
  rl_instream = In;
  rl_outstream = Out;
  // "$if vnide" in ~/.inputrc applies to this program only.
  rl_readline_name = "vnide";
  // Read the init file now, so that the bindings below are not overridden.
  rl_initialize();
  GSaved.Completion = rl_attempted_completion_function;
  GSaved.Entry = rl_completion_entry_function;
  GSaved.WordBreaks = rl_completer_word_break_characters;
  GSaved.Quotes = rl_completer_quote_characters;
  rl_attempted_completion_function = &TLineEditor::Complete;
  rl_completion_entry_function = &TLineEditor::NextMatch;
  rl_completer_word_break_characters = " \t";
  rl_completer_quote_characters = "\"";
  Keymap Meta = MetaKeymap();
  for (std::size_t I = 0; I < AltKeys.size(); ++I) {
    const auto Key = static_cast<unsigned char>(AltKeys[I]);
    GSaved.Meta[I] = Meta[Key];
    rl_bind_key_in_map(Key, &TLineEditor::AltKey, Meta);
  }
  using_history();
}

TLineEditor::~TLineEditor() {
  Keymap Meta = MetaKeymap();
  for (std::size_t I = 0; I < AltKeys.size(); ++I) Meta[static_cast<unsigned char>(AltKeys[I])] = GSaved.Meta[I];
  rl_attempted_completion_function = GSaved.Completion;
  rl_completion_entry_function = GSaved.Entry;
  rl_completer_word_break_characters = GSaved.WordBreaks;
  rl_completer_quote_characters = GSaved.Quotes;
  rl_instream = GSaved.In;
  rl_outstream = GSaved.Out;
  rl_readline_name = GSaved.Name;
  rl_startup_hook = nullptr;
  rl_clear_history();
  GActive = nullptr;
}

bool TLineEditor::ReadLine(const std::string& Prompt, TKind Kind, std::string& Line) {
  FKind = Kind;
  FFromAccelerator = false;
  rl_startup_hook = FKept.empty() ? nullptr : &TLineEditor::InsertKept;
  // Text takes Tab as a character; commands complete on it.
  constexpr int TabKey = '\t';
  Keymap Map = rl_get_keymap();
  const KEYMAP_ENTRY Tab = Map[TabKey];
  if (Kind == ekText) {
    Map[TabKey].type = ISFUNC;
    Map[TabKey].function = rl_insert;
  }
  char* Raw = readline(Prompt.c_str());
  Map[TabKey] = Tab;
  rl_startup_hook = nullptr;
  if (Raw == nullptr) return false;
  Line = Raw;
  std::free(Raw);
  // Accelerators are keys, not lines to recall; repeats are kept once.
  if (Kind == ekCommand && !FFromAccelerator && !Trim(Line).empty() && Line != FLastHistory) {
    add_history(Line.c_str());
    FLastHistory = Line;
  }
  return true;
}

int TLineEditor::InsertKept() {
  TLineEditor& Self = *GActive;
  rl_insert_text(Self.FKept.c_str());
  rl_point = std::min(Self.FKeptPoint, rl_end);
  Self.FKept.clear();
  return 0;
}

char** TLineEditor::Complete(const char* Text, int Start, int) {
  // Never fall back to file names.
  rl_attempted_completion_over = 1;
  TLineEditor& Self = *GActive;
  if (Self.FKind != ekCommand || !Self.FHooks.Complete) return nullptr;
  const bool InQuotes = rl_completion_quote_character == '"';
  std::string Before(rl_line_buffer, static_cast<std::size_t>(Start));
  if (InQuotes && !Before.empty() && Before.back() == '"') Before.pop_back();
  Self.FMatches = Self.FHooks.Complete(Before, Text, InQuotes);
  Self.FNextMatch = 0;
  return rl_completion_matches(Text, &TLineEditor::NextMatch);
}

char* TLineEditor::NextMatch(const char*, int) {
  TLineEditor& Self = *GActive;
  if (Self.FNextMatch >= Self.FMatches.size()) return nullptr;
  // readline frees the matches it is given.
  return strdup(Self.FMatches[Self.FNextMatch++].c_str());
}

int TLineEditor::AltKey(int Count, int Key) {
  TLineEditor& Self = *GActive;
  const std::size_t Slot = AltKeys.find(static_cast<char>(Key));
  const std::string KeyText(1, static_cast<char>(Key));
  if (Self.FKind == ekCommand && Self.FHooks.Accelerator && Self.FHooks.Accelerator(KeyText)) {
    Self.FKept.assign(rl_line_buffer, static_cast<std::size_t>(rl_end));
    Self.FKeptPoint = rl_point;
    Self.FFromAccelerator = true;
    rl_replace_line(("alt " + KeyText).c_str(), 0);
    rl_point = rl_end;
    // Accepted as Enter accepts a line: shown, then a new line.
    rl_redisplay();
    return rl_newline(1, '\n');
  }
  // Anywhere else the key keeps the binding it had (Alt+B: a word back ...).
  if (Slot != std::string_view::npos && GSaved.Meta[Slot].type == ISFUNC && GSaved.Meta[Slot].function != nullptr)
    return GSaved.Meta[Slot].function(Count, Key);
  return rl_ding();
}

}  // namespace vn_vcl
