// GNU readline on one terminal: line editing, history, Tab completion and
// Alt+letter keys for the terminal driver.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vn_vcl {

class TLineEditor {
 public:
  struct THooks {
    // The candidates for Word, typed after Before (the line up to it);
    // InQuotes when Word follows an open double quote.
    std::function<std::vector<std::string>(const std::string& Before, const std::string& Word, bool InQuotes)>
        Complete;
    // Whether Alt+Key (one character) does something now; if so, the line
    // reads "alt <key>" and the text typed so far waits for the next prompt.
    std::function<bool(std::string_view Key)> Accelerator;
  };
  enum TKind { ekCommand, ekText };

  // Readline keeps its state in globals: one editor at a time, reading In
  // and writing Out, both the terminal; neither is closed here.
  TLineEditor(std::FILE* In, std::FILE* Out, THooks Hooks);
  ~TLineEditor();
  TLineEditor(const TLineEditor&) = delete;
  TLineEditor& operator=(const TLineEditor&) = delete;

  // Shows Prompt and reads one line; false at the end of input (Ctrl+D on
  // an empty line). Commands complete on Tab, take Alt+letters and go into
  // the history; a text line takes Tab as itself.
  bool ReadLine(const std::string& Prompt, TKind Kind, std::string& Line);

 private:
  static char** Complete(const char* Text, int Start, int End);
  static char* NextMatch(const char* Text, int State);
  static int AltKey(int Count, int Key);
  static int InsertKept();

  THooks FHooks;
  TKind FKind = ekCommand;
  std::vector<std::string> FMatches;
  std::size_t FNextMatch = 0;
  std::string FKept;  // what was typed when an Alt+letter took the line
  int FKeptPoint = 0;
  bool FFromAccelerator = false;
  std::string FLastHistory;
};

}  // namespace vn_vcl
