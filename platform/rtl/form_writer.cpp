#include "rtl/FormFiles.h"

#include <unicode/utf8.h>

#include <cmath>

#include "property_text.h"
#include "rtl/TypInfo.h"

PTypeInfo BinaryDataTypeInfo() {
  static const TTypeInfo Info{tkDynArray, "TBytes"};
  return &Info;
}

namespace {

// Source characters per line of a long string, as the platform breaks them.
constexpr int LineLength = 64;
// Bytes per line of binary data, as the platform breaks them.
constexpr std::size_t BytesPerLine = 32;

// S as form-file string fragments of up to LineLength characters each: quoted
// runs of printable ASCII but the quote, and #nnn for every other character
// (its code point). Bytes that are not UTF-8 stay as they are, inside a run, so
// that reading the file gives back the same bytes.
std::vector<std::string> QuotedChunks(std::string_view S) {
  std::vector<std::string> Chunks;
  std::string Current;
  bool InRun = false;
  int Count = 0;
  auto CloseRun = [&] {
    if (InRun) Current.push_back('\'');
    InRun = false;
  };
  auto OpenRun = [&] {
    if (!InRun) Current.push_back('\'');
    InRun = true;
  };
  const auto Length = static_cast<int32_t>(std::min<std::size_t>(S.size(), INT32_MAX));
  int32_t Offset = 0;
  while (Offset < Length) {
    const int32_t Start = Offset;
    UChar32 C;
    U8_NEXT(S.data(), Offset, Length, C);
    if (C < 0) {
      OpenRun();
      Current.append(S.substr(static_cast<std::size_t>(Start), static_cast<std::size_t>(Offset - Start)));
    } else if (C >= 32 && C < 127 && C != '\'') {
      OpenRun();
      Current.push_back(static_cast<char>(C));
    } else {
      CloseRun();
      Current += "#" + IntToStr(C);
    }
    if (++Count >= LineLength && Offset < Length) {
      CloseRun();
      Chunks.push_back(std::move(Current));
      Current.clear();
      Count = 0;
    }
  }
  CloseRun();
  if (Current.empty()) Current = "''";
  Chunks.push_back(std::move(Current));
  return Chunks;
}

class TFormWriter {
 public:
  explicit TFormWriter(const TComponent& ARoot) : FRoot(ARoot), FContext(&ARoot) {}

  std::string Write(std::string_view RootClassName) {
    WriteObject(FRoot, RootClassName.empty() ? FRoot.ClassName() : std::string(RootClassName), 0);
    return std::move(FText);
  }

 private:
  void Line(int Indent, std::string_view Text) {
    FText.append(static_cast<std::size_t>(Indent), ' ');
    FText.append(Text);
    FText.append(sLineBreak);
  }

  void WriteObject(const TComponent& Component, const std::string& ClassName, int Indent) {
    const TComponentState State = Component.ComponentState();
    const char* Keyword = State.Contains(csInline) ? "inline " : State.Contains(csAncestor) ? "inherited " : "object ";
    Line(Indent, Keyword + (Component.Name().empty() ? ClassName : Component.Name() + ": " + ClassName));
    WriteProperties(Component, "", Indent + 2);
    WriteDesignInfo(Component, Indent + 2);
    // A frame is the root of what it owns.
    const TComponent* const Saved = FContext;
    if (State.Contains(csInline)) FContext = &Component;
    Component.GetChildren([&](TComponent& Child) { WriteObject(Child, Child.ClassName(), Indent + 2); }, *FContext);
    FContext = Saved;
    Line(Indent, "end");
  }

  // Where the designer shows a component that is no control.
  void WriteDesignInfo(const TComponent& Component, int Indent) {
    const auto Info = static_cast<std::uint32_t>(Component.DesignInfo());
    if ((Info & 0xFFFFu) != 0 && GetPropInfo(Component, "Left") == nullptr)
      Line(Indent, "Left = " + IntToStr(static_cast<std::int64_t>(Info & 0xFFFFu)));
    if ((Info >> 16) != 0 && GetPropInfo(Component, "Top") == nullptr)
      Line(Indent, "Top = " + IntToStr(static_cast<std::int64_t>(Info >> 16)));
  }

  void WriteProperties(const TObject& Object, const std::string& Prefix, int Indent) {
    for (PPropInfo Prop : GetPropList(Object))
      if (IsStoredProp(Object, *Prop)) WriteProperty(Object, *Prop, Prefix + Prop->Name, Indent);
  }

  void WriteProperty(const TObject& Object, const TPropInfo& Prop, const std::string& Name, int Indent) {
    if (Prop.PropType == BinaryDataTypeInfo()) {
      WriteBinary(Name, GetStrProp(Object, Prop), Indent);
      return;
    }
    switch (Prop.PropType->Kind) {
      case tkInteger:
      case tkInt64:
      case tkChar:
      case tkWChar: {
        const std::int64_t Value = GetOrdProp(Object, Prop);
        std::string Ident;
        Line(Indent, Name + " = " + (IntToIdent(Prop.PropType, Value, Ident) ? Ident : IntToStr(Value)));
        return;
      }
      case tkEnumeration:
        Line(Indent, Name + " = " + GetEnumProp(Object, Prop));
        return;
      case tkSet:
        Line(Indent,
             Name + " = " + SetText(Prop.PropType->CompType, static_cast<std::uint64_t>(GetOrdProp(Object, Prop))));
        return;
      case tkFloat:
        Line(Indent, Name + " = " + FloatText(GetFloatProp(Object, Prop), Name));
        return;
      case tkVariant:
        WriteVariant(GetVariantProp(Object, Prop), Name, Indent);
        return;
      case tkMethod:
        Line(Indent, Name + " = " + GetMethodProp(Object, Prop));
        return;
      case tkClass:
        WriteObjectProperty(Object, Prop, Name, Indent);
        return;
      default:
        WriteString(Name, GetStrProp(Object, Prop), Indent);
        return;
    }
  }

  void WriteObjectProperty(const TObject& Object, const TPropInfo& Prop, const std::string& Name, int Indent) {
    const TObject* Value = GetObjectProp(Object, Prop);
    if (Prop.IsReference()) {
      const std::string Reference = ReferenceName(dynamic_cast<const TComponent*>(Value));
      if (!Reference.empty()) Line(Indent, Name + " = " + Reference);
      return;
    }
    if (const auto* Strings = dynamic_cast<const TStrings*>(Value)) {
      Line(Indent, Name + ".Strings = (");
      for (int I = 0; I < Strings->Count(); ++I) {
        std::vector<std::string> Chunks = QuotedChunks(Strings->Strings(I));
        if (I == Strings->Count() - 1) Chunks.back() += ")";
        for (std::size_t J = 0; J < Chunks.size(); ++J)
          Line(J == 0 ? Indent + 2 : Indent + 4, Chunks[J] + (J + 1 < Chunks.size() ? " +" : ""));
      }
      return;
    }
    if (const auto* Collection = dynamic_cast<const TCollection*>(Value)) {
      Line(Indent, Name + " = <");
      for (int I = 0; I < Collection->Count(); ++I) {
        Line(Indent + 2, "item");
        WriteProperties(*Collection->Items(I), "", Indent + 4);
        Line(Indent + 2, I == Collection->Count() - 1 ? "end>" : "end");
      }
      return;
    }
    // Any other owned object: its own properties, each under a dotted name.
    if (Value != nullptr) WriteProperties(*Value, Name + ".", Indent);
  }

  void WriteString(const std::string& Name, std::string_view Value, int Indent) {
    const std::vector<std::string> Chunks = QuotedChunks(Value);
    if (Chunks.size() == 1) {
      Line(Indent, Name + " = " + Chunks.front());
      return;
    }
    Line(Indent, Name + " =");
    for (std::size_t I = 0; I < Chunks.size(); ++I)
      Line(Indent + 2, Chunks[I] + (I + 1 < Chunks.size() ? " +" : ""));
  }

  void WriteBinary(const std::string& Name, std::string_view Bytes, int Indent) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    FText.append(static_cast<std::size_t>(Indent), ' ');
    FText.append(Name + " = {");
    for (std::size_t I = 0; I < Bytes.size(); ++I) {
      if (I % BytesPerLine == 0) {
        FText.append(sLineBreak);
        FText.append(static_cast<std::size_t>(Indent) + 2, ' ');
      }
      const auto Byte = static_cast<unsigned char>(Bytes[I]);
      FText.push_back(Digits[Byte >> 4]);
      FText.push_back(Digits[Byte & 0xF]);
    }
    FText.append("}");
    FText.append(sLineBreak);
  }

  void WriteVariant(const Variant& Value, const std::string& Name, int Indent) {
    switch (Value.VarType()) {
      case varEmpty:
        return;
      case varNull:
        Line(Indent, Name + " = Null");
        return;
      case varBoolean:
        Line(Indent, Name + " = " + (Value.AsBoolean() ? "True" : "False"));
        return;
      case varInt64:
        Line(Indent, Name + " = " + IntToStr(Value.AsInt64()));
        return;
      case varDouble:
        Line(Indent, Name + " = " + FloatText(Value.AsFloat(), Name));
        return;
      case varString:
        WriteString(Name, Value.AsString(), Indent);
        return;
    }
  }

  static std::string SetText(PTypeInfo CompType, std::uint64_t Bits) {
    std::string Result = "[";
    for (int I = 0; I < 64; ++I) {
      if ((Bits & (std::uint64_t{1} << I)) == 0) continue;
      const std::string Element = GetEnumName(CompType, I);
      if (Element.empty()) continue;
      if (Result.size() > 1) Result += ", ";
      Result += Element;
    }
    return Result + "]";
  }

  // A float always shows a fraction or an exponent, so that it reads back as
  // a float (a variant would otherwise come back as an integer).
  static std::string FloatText(double Value, const std::string& Name) {
    if (!std::isfinite(Value))
      throw EWriteError(Format("Cannot write %s: %s is no finite number", {Name, property_text::FloatToText(Value)}));
    std::string Text = property_text::FloatToText(Value);
    if (Text.find_first_of(".eE") == std::string::npos) Text += ".0";
    return Text;
  }

  std::string ReferenceName(const TComponent* Component) const {
    if (Component == nullptr) return "";
    if (Component == &FRoot) return FRoot.Name();
    if (Component == FContext) return FContext->Name();
    const TComponent* Owner = Component->Owner();
    if (Component->Name().empty() || Owner == FContext || Owner == nullptr || Owner->Name().empty())
      return Component->Name();
    return Owner->Name() + "." + Component->Name();
  }

  const TComponent& FRoot;
  // The root of the components being written: Root, or the inline frame.
  const TComponent* FContext;
  std::string FText;
};

}  // namespace

std::string WriteComponentText(const TComponent& Root, std::string_view RootClassName) {
  return TFormWriter(Root).Write(RootClassName);
}
