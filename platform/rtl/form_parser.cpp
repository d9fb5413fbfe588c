#include "form_parser.h"

#include <unicode/ucnv.h>
#include <unicode/utypes.h>

#include "property_text.h"
#include "rtl/FormFiles.h"
#include "rtl/SysUtils.h"
#include "utf8_text.h"

EParserError::EParserError(std::string_view AMessage, std::string_view ASourceName, int ALine)
    : EFilerError(form_files::Located(AMessage, ASourceName, ALine)), FSourceName(ASourceName), FLine(ALine) {}

namespace form_files {

std::string Located(std::string_view Message, std::string_view SourceName, int Line) {
  if (SourceName.empty()) return Format("Line %d: %s", {Line, Message});
  return Format("%s(%d): %s", {SourceName, Line, Message});
}

const char* KindName(TFormValue::TKind Kind) {
  switch (Kind) {
    case TFormValue::vkString: return "a string";
    case TFormValue::vkInteger: return "an integer";
    case TFormValue::vkFloat: return "a floating-point number";
    case TFormValue::vkIdent: return "a name";
    case TFormValue::vkSet: return "a set";
    case TFormValue::vkList: return "a list";
    case TFormValue::vkCollection: return "a collection";
    case TFormValue::vkBinary: return "binary data";
  }
  return "a value";
}

namespace {

// Objects and values nested deeper than this are no form a person made, and
// would otherwise exhaust the stack.
constexpr int MaxDepth = 200;

enum TTokenKind { tkEof, tkIdent, tkString, tkInteger, tkFloat, tkBinary, tkSymbol };

struct TToken {
  TTokenKind Kind = tkEof;
  int Line = 1;
  int EndLine = 1;  // a string continued or binary data may span lines
  std::string Text;  // identifier, string value, binary bytes
  std::int64_t Integer = 0;
  double Float = 0;
  char Symbol = 0;
};

bool IsIdentStart(char C) noexcept {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_' || static_cast<unsigned char>(C) >= 0x80;
}

bool IsIdentChar(char C) noexcept { return IsIdentStart(C) || (C >= '0' && C <= '9'); }

int HexValue(char C) noexcept {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

void AppendUtf8(std::string& S, std::uint32_t Code) {
  if (Code < 0x80) {
    S.push_back(static_cast<char>(Code));
  } else if (Code < 0x800) {
    S.push_back(static_cast<char>(0xC0 | (Code >> 6)));
    S.push_back(static_cast<char>(0x80 | (Code & 0x3F)));
  } else if (Code < 0x10000) {
    S.push_back(static_cast<char>(0xE0 | (Code >> 12)));
    S.push_back(static_cast<char>(0x80 | ((Code >> 6) & 0x3F)));
    S.push_back(static_cast<char>(0x80 | (Code & 0x3F)));
  } else {
    S.push_back(static_cast<char>(0xF0 | (Code >> 18)));
    S.push_back(static_cast<char>(0x80 | ((Code >> 12) & 0x3F)));
    S.push_back(static_cast<char>(0x80 | ((Code >> 6) & 0x3F)));
    S.push_back(static_cast<char>(0x80 | (Code & 0x3F)));
  }
}

// The builder writes a text form's quoted strings in the system's code page,
// which the file does not name; bytes that are no UTF-8 are read as
// Windows-1252, the code page of the builder's Western systems.
std::string FromCodePage(std::string_view Bytes) {
  UErrorCode Status = U_ZERO_ERROR;
  std::string Result(Bytes.size() * 3 + 1, '\0');
  const int32_t Length = ucnv_convert("UTF-8", "windows-1252", Result.data(), static_cast<int32_t>(Result.size()),
                                      Bytes.data(), static_cast<int32_t>(Bytes.size()), &Status);
  if (U_FAILURE(Status)) return std::string(Bytes);  // no converter: the bytes as they are
  Result.resize(static_cast<std::size_t>(Length));
  return Result;
}

class TScanner {
 public:
  TScanner(std::string_view AText, std::string_view ASourceName) : FText(AText), FSourceName(ASourceName) {
    if (FText.substr(0, 3) == "\xEF\xBB\xBF") FPos = 3;
  }

  [[noreturn]] void Error(std::string_view Message, int Line) const { throw EParserError(Message, FSourceName, Line); }

  TToken Next() {
    TToken T = Scan();
    T.EndLine = FLine;
    return T;
  }

 private:
  TToken Scan() {
    SkipBlanks();
    TToken T;
    T.Line = FLine;
    if (FPos >= FText.size()) return T;
    const char C = FText[FPos];
    if (IsIdentStart(C)) {
      T.Kind = tkIdent;
      T.Text = ReadIdent();
    } else if (C == '\'' || C == '#') {
      T.Kind = tkString;
      T.Text = ReadString();
    } else if ((C >= '0' && C <= '9') || C == '$' || (C == '-' && FPos + 1 < FText.size() &&
                                                      (IsDigit(FText[FPos + 1]) || FText[FPos + 1] == '$'))) {
      ReadNumber(T);
    } else if (C == '{') {
      T.Kind = tkBinary;
      T.Text = ReadBinary();
    } else {
      T.Kind = tkSymbol;
      T.Symbol = C;
      ++FPos;
    }
    return T;
  }

 private:
  static bool IsDigit(char C) noexcept { return C >= '0' && C <= '9'; }

  void SkipBlanks() {
    while (FPos < FText.size()) {
      const char C = FText[FPos];
      if (C == '\n')
        ++FLine;
      else if (C != ' ' && C != '\t' && C != '\r' && C != '\f')
        break;
      ++FPos;
    }
  }

  std::string ReadIdent() {
    std::string Result;
    while (true) {
      const std::size_t Start = FPos;
      while (FPos < FText.size() && IsIdentChar(FText[FPos])) ++FPos;
      Result.append(FText.substr(Start, FPos - Start));
      if (FPos + 1 < FText.size() && FText[FPos] == '.' && IsIdentStart(FText[FPos + 1])) {
        Result.push_back('.');
        ++FPos;
        continue;
      }
      return Result;
    }
  }

  // Quoted runs and #nnn character codes, written one after the other. A
  // value whose quoted bytes are no UTF-8 has them read in the code page.
  std::string ReadString() {
    std::string Result;
    std::vector<std::pair<std::size_t, std::size_t>> Quoted;  // where the quoted bytes went in Result
    const int StartLine = FLine;
    while (FPos < FText.size()) {
      if (FText[FPos] == '\'') {
        ++FPos;
        const std::size_t Start = Result.size();
        while (true) {
          if (FPos >= FText.size() || FText[FPos] == '\n' || FText[FPos] == '\r')
            Error("Unterminated string", StartLine);
          const char C = FText[FPos++];
          if (C != '\'') {
            Result.push_back(C);
          } else if (FPos < FText.size() && FText[FPos] == '\'') {
            Result.push_back('\'');
            ++FPos;
          } else {
            break;
          }
        }
        Quoted.emplace_back(Start, Result.size());
      } else if (FText[FPos] == '#') {
        ++FPos;
        AppendUtf8(Result, ReadCharCode());
      } else {
        break;
      }
    }
    if (vn_rtl::IsUtf8(Result)) return Result;
    std::string Read;
    std::size_t Done = 0;
    for (const auto& [Start, End] : Quoted) {
      Read.append(Result, Done, Start - Done);
      Read += FromCodePage(std::string_view(Result).substr(Start, End - Start));
      Done = End;
    }
    Read.append(Result, Done);
    return Read;
  }

  std::uint32_t ReadCharCode() {
    const bool Hex = FPos < FText.size() && FText[FPos] == '$';
    if (Hex) ++FPos;
    std::uint32_t Code = 0;
    int Digits = 0;
    while (FPos < FText.size()) {
      const int D = Hex ? HexValue(FText[FPos]) : (IsDigit(FText[FPos]) ? FText[FPos] - '0' : -1);
      if (D < 0) break;
      Code = Code * (Hex ? 16 : 10) + static_cast<std::uint32_t>(D);
      if (Code > 0x10FFFF) Error("Invalid character code", FLine);
      ++Digits;
      ++FPos;
    }
    if (Digits == 0 || (Code >= 0xD800 && Code <= 0xDFFF)) Error("Invalid character code", FLine);
    return Code;
  }

  void ReadNumber(TToken& T) {
    const std::size_t Start = FPos;
    if (FText[FPos] == '-') ++FPos;
    const bool Hex = FText[FPos] == '$';
    if (Hex) ++FPos;
    bool Float = false;
    auto SkipDigits = [&] {
      while (FPos < FText.size() && (Hex ? HexValue(FText[FPos]) >= 0 : IsDigit(FText[FPos]))) ++FPos;
    };
    SkipDigits();
    if (!Hex && FPos + 1 < FText.size() && FText[FPos] == '.' && IsDigit(FText[FPos + 1])) {
      Float = true;
      ++FPos;
      SkipDigits();
    }
    if (!Hex && FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
      Float = true;
      ++FPos;
      if (FPos < FText.size() && (FText[FPos] == '+' || FText[FPos] == '-')) ++FPos;
      SkipDigits();
    }
    while (FPos < FText.size() && (IsIdentChar(FText[FPos]) || FText[FPos] == '.')) ++FPos;
    const std::string_view Text = FText.substr(Start, FPos - Start);
    if (Float) {
      T.Kind = tkFloat;
      if (!property_text::ParseFloat(Text, T.Float)) Error(Format("Invalid number %s", {Text}), FLine);
      return;
    }
    T.Kind = tkInteger;
    // A negative hex number is its magnitude negated.
    const bool Negative = Hex && Text.front() == '-';
    if (!property_text::ParseInt64(Negative ? Text.substr(1) : Text, T.Integer))
      Error(Format("Invalid integer %s", {Text}), FLine);
    if (Negative) T.Integer = static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(T.Integer));
  }

  std::string ReadBinary() {
    const int StartLine = FLine;
    ++FPos;
    std::string Bytes;
    int High = -1;
    while (true) {
      SkipBlanks();
      if (FPos >= FText.size()) Error("'}' expected", StartLine);
      const char C = FText[FPos++];
      if (C == '}') break;
      const int D = HexValue(C);
      if (D < 0) Error("Invalid binary value", FLine);
      if (High < 0) {
        High = D;
      } else {
        Bytes.push_back(static_cast<char>(High * 16 + D));
        High = -1;
      }
    }
    if (High >= 0) Error("Invalid binary value", FLine);
    return Bytes;
  }

  std::string_view FText;
  std::string_view FSourceName;
  std::size_t FPos = 0;
  int FLine = 1;
};

class TParser {
 public:
  TParser(std::string_view Text, std::string_view SourceName) : FScanner(Text, SourceName) { Advance(); }

  TFormObject ParseFile() {
    if (!IsObjectKeyword()) Error("'object' expected");
    TFormObject Root = ParseObject(0);
    if (FToken.Kind != tkEof) Error("End of file expected");
    return Root;
  }

 private:
  [[noreturn]] void Error(std::string_view Message) const { FScanner.Error(Message, FToken.Line); }

  void Advance() {
    FLastEndLine = FToken.EndLine;
    FToken = FScanner.Next();
  }

  bool IsSymbol(char C) const { return FToken.Kind == tkSymbol && FToken.Symbol == C; }
  bool IsKeyword(std::string_view Word) const { return FToken.Kind == tkIdent && SameText(FToken.Text, Word); }
  bool IsObjectKeyword() const { return IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline"); }

  void Expect(char C) {
    if (!IsSymbol(C)) Error(Format("'%s' expected", {C}));
    Advance();
  }

  std::string ExpectIdent() {
    if (FToken.Kind != tkIdent) Error("Identifier expected");
    std::string Result = std::move(FToken.Text);
    Advance();
    return Result;
  }

  void Nest(int Depth) const {
    if (Depth > MaxDepth) Error("Nesting too deep");
  }

  // At the keyword `object`, `inherited` or `inline`.
  TFormObject ParseObject(int Depth) {
    Nest(Depth);
    TFormObject Object;
    Object.Line = FToken.Line;
    Object.Kind = IsKeyword("inherited") ? okInherited : IsKeyword("inline") ? okInline : okObject;
    Advance();
    const int HeaderLine = FToken.Line;
    std::string First = ExpectIdent();
    if (IsSymbol(':')) {
      Advance();
      Object.Name = std::move(First);
      Object.ClassName = ExpectIdent();
    } else {
      Object.ClassName = std::move(First);
    }
    if (Object.Name.find('.') != std::string::npos || Object.ClassName.find('.') != std::string::npos)
      FScanner.Error("Identifier expected", HeaderLine);
    if (IsSymbol('[')) {
      Advance();
      if (FToken.Kind != tkInteger || FToken.Integer < 0 || FToken.Integer > INT32_MAX)
        Error("Creation-order index expected");
      Object.Index = static_cast<int>(FToken.Integer);
      Advance();
      Expect(']');
    }
    Object.Properties = ParseProperties(Depth);
    while (IsObjectKeyword()) Object.Children.push_back(ParseObject(Depth + 1));
    if (!IsKeyword("end")) Error("'end' expected");
    Advance();
    return Object;
  }

  std::vector<TFormProperty> ParseProperties(int Depth) {
    std::vector<TFormProperty> Result;
    while (FToken.Kind == tkIdent && !IsObjectKeyword() && !IsKeyword("end")) {
      TFormProperty Prop;
      Prop.Line = FToken.Line;
      Prop.Name = ExpectIdent();
      Expect('=');
      Prop.Value = ParseValue(Depth + 1);
      Prop.EndLine = FLastEndLine;
      Result.push_back(std::move(Prop));
    }
    return Result;
  }

  TFormValue ParseValue(int Depth) {
    Nest(Depth);
    TFormValue Value;
    Value.Line = FToken.Line;
    switch (FToken.Kind) {
      case tkString:
        Value.Kind = TFormValue::vkString;
        Value.Text = std::move(FToken.Text);
        Advance();
        while (IsSymbol('+')) {
          Advance();
          if (FToken.Kind != tkString) Error("String expected");
          Value.Text += FToken.Text;
          Advance();
        }
        return Value;
      case tkInteger:
        Value.Kind = TFormValue::vkInteger;
        Value.Integer = FToken.Integer;
        Advance();
        return Value;
      case tkFloat:
        Value.Kind = TFormValue::vkFloat;
        Value.Float = FToken.Float;
        Advance();
        return Value;
      case tkIdent:
        Value.Kind = TFormValue::vkIdent;
        Value.Text = std::move(FToken.Text);
        Advance();
        return Value;
      case tkBinary:
        Value.Kind = TFormValue::vkBinary;
        Value.Text = std::move(FToken.Text);
        Advance();
        return Value;
      case tkSymbol:
        if (IsSymbol('[')) return ParseSet(std::move(Value));
        if (IsSymbol('(')) return ParseList(std::move(Value), Depth);
        if (IsSymbol('<')) return ParseCollection(std::move(Value), Depth);
        break;
      case tkEof:
        break;
    }
    Error("Value expected");
  }

  TFormValue ParseSet(TFormValue Value) {
    Value.Kind = TFormValue::vkSet;
    Advance();
    if (!IsSymbol(']')) {
      while (true) {
        if (FToken.Kind != tkIdent || FToken.Text.find('.') != std::string::npos) Error("Identifier expected");
        Value.Elements.push_back(ExpectIdent());
        if (!IsSymbol(',')) break;
        Advance();
      }
    }
    Expect(']');
    return Value;
  }

  TFormValue ParseList(TFormValue Value, int Depth) {
    Value.Kind = TFormValue::vkList;
    Advance();
    while (!IsSymbol(')')) {
      if (FToken.Kind == tkEof || (FToken.Kind == tkSymbol && !IsSymbol('[') && !IsSymbol('(') && !IsSymbol('<')))
        Error("')' expected");
      Value.Items.push_back(ParseValue(Depth + 1));
    }
    Advance();
    return Value;
  }

  TFormValue ParseCollection(TFormValue Value, int Depth) {
    Value.Kind = TFormValue::vkCollection;
    Advance();
    while (!IsSymbol('>')) {
      if (!IsKeyword("item")) Error("'>' expected");
      TFormItem Item;
      Item.Line = FToken.Line;
      Advance();
      Item.Properties = ParseProperties(Depth);
      if (!IsKeyword("end")) Error("'end' expected");
      Advance();
      Value.CollectionItems.push_back(std::move(Item));
    }
    Advance();
    return Value;
  }

  TScanner FScanner;
  TToken FToken;
  int FLastEndLine = 1;  // where the last token consumed ends
};

}  // namespace

TFormObject ParseFormText(std::string_view Text, std::string_view SourceName) {
  return TParser(Text, SourceName).ParseFile();
}

}  // namespace form_files
