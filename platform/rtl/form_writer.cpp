#include "rtl/FormFiles.h"

#include <unicode/utf8.h>

#include <cmath>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "form_record.h"
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

using form_files::TFormEntries;
using form_files::TFormEntry;

class TFormWriter {
 public:
  // With Capture, the entries of every component written are kept there and
  // records are not looked at.
  explicit TFormWriter(const TComponent& ARoot,
                       form_files::TWrittenEntries* ACapture = nullptr,
                       std::string_view LineBreak = sLineBreak)
      : FRoot(ARoot), FContext(&ARoot), FCapture(ACapture), FLineBreak(LineBreak) {
    // A form read from a file keeps the file's line breaks.
    if (const TFormFileRecord* Record = ARoot.FormFileRecord(); Record != nullptr && FCapture == nullptr &&
                                                                 !Record->LineBreak.empty())
      FLineBreak = Record->LineBreak;
  }

  std::string Write(std::string_view RootClassName) {
    WriteObject(FRoot, RootClassName.empty() ? FRoot.ClassName() : std::string(RootClassName), 0);
    return std::move(FText);
  }

 private:
  void Line(int Indent, std::string_view Text) {
    FText.append(static_cast<std::size_t>(Indent), ' ');
    FText.append(Text);
    FText.append(FLineBreak);
  }

  void WriteObject(const TComponent& Component, const std::string& ClassName, int Indent) {
    const TComponentState State = Component.ComponentState();
    const char* Keyword = State.Contains(csInline) ? "inline " : State.Contains(csAncestor) ? "inherited " : "object ";
    const TFormFileRecord* Record = FCapture == nullptr ? Component.FormFileRecord() : nullptr;
    std::string Header = Keyword + (Component.Name().empty() ? ClassName : Component.Name() + ": " + ClassName);
    if (Record != nullptr && Record->Index >= 0) Header += " [" + IntToStr(static_cast<std::int64_t>(Record->Index)) + "]";
    Line(Indent, Header);
    TFormEntries Entries = PropertyEntries(Component, Indent + 2);
    if (Record != nullptr) {
      WriteKept(*Record, Entries, Indent + 2);
    } else {
      for (const TFormEntry& Entry : Entries) FText += Entry.Text;
      if (FCapture != nullptr) FCapture->emplace_back(&Component, std::move(Entries));
    }
    // A frame is the root of what it owns.
    const TComponent* const Saved = FContext;
    if (State.Contains(csInline)) FContext = &Component;
    Component.GetChildren([&](TComponent& Child) { WriteObject(Child, Child.ClassName(), Indent + 2); }, *FContext);
    FContext = Saved;
    Line(Indent, "end");
  }

  // What the writer writes of Component's properties, one entry each.
  TFormEntries PropertyEntries(const TComponent& Component, int Indent) {
    TFormEntries Result;
    std::string Outside;
    std::swap(Outside, FText);
    FEntries = &Result;
    WriteProperties(Component, "", Indent);
    FEntries = nullptr;
    const auto Take = [&](const char* Name) {
      if (FText.empty()) return;
      Result.push_back({Name, std::move(FText)});
      FText.clear();
    };
    WriteDesignInfo(Component, Indent, "Left");
    Take("Left");
    WriteDesignInfo(Component, Indent, "Top");
    Take("Top");
    std::swap(Outside, FText);
    return Result;
  }

  // Component's properties as its record has them: in the file's order, each
  // as the file gave it unless it changed since it was read; properties that
  // changed from their default since are placed where the writer puts them.
  void WriteKept(const TFormFileRecord& Record, const TFormEntries& Entries, int Indent) {
    std::unordered_map<std::string, std::size_t> Index;
    for (std::size_t I = 0; I < Entries.size(); ++I) Index.emplace(LowerCase(Entries[I].Name), I);
    std::unordered_set<std::string> InRecord;
    for (const TFormFileRecord::TProperty& P : Record.Properties) InRecord.insert(LowerCase(P.Name));
    // A component has a few dozen properties at most: a look along the list.
    const auto AsRead = [&](const std::string& Key) -> const std::size_t* {
      for (const TFormFileRecord::TWritten& Entry : Record.AsRead)
        if (SameText(Entry.Name, Key)) return &Entry.Hash;
      return nullptr;
    };
    const auto Hash = [](const std::string& Text) { return std::hash<std::string>{}(Text); };
    std::vector<bool> Done(Entries.size(), false);
    std::size_t Next = 0;
    // Entries the file did not give that changed since: set by the person.
    const auto WriteNewBefore = [&](std::size_t Limit) {
      for (; Next < Limit; ++Next) {
        const std::string Key = LowerCase(Entries[Next].Name);
        if (Done[Next] || InRecord.contains(Key)) continue;
        const std::size_t* Was = AsRead(Key);
        if (Was == nullptr || *Was != Hash(Entries[Next].Text)) FText += Entries[Next].Text;
        Done[Next] = true;
      }
    };
    for (const TFormFileRecord::TProperty& P : Record.Properties) {
      const std::string Key = LowerCase(P.Name);
      const std::size_t* Was = AsRead(Key);
      const auto Found = P.Known ? Index.find(Key) : Index.end();
      if (Found == Index.end()) {
        // Not modelled, or now at its default: as read unless it was written
        // right after reading (then the person set it to its default).
        if (!P.Known || Was == nullptr) WriteLines(Record, P, Indent);
        continue;
      }
      const TFormEntry& Now = Entries[Found->second];
      const bool Unchanged = Was != nullptr && *Was == Hash(Now.Text);
      if (Done[Found->second]) {
        if (Unchanged) WriteLines(Record, P, Indent);  // given twice in the file
        continue;
      }
      WriteNewBefore(Found->second);
      if (Unchanged)
        WriteLines(Record, P, Indent);
      else
        FText += Now.Text;
      Done[Found->second] = true;
    }
    WriteNewBefore(Entries.size());
  }

  // A property's lines as the file has them, indented where the component is
  // now: the first line's indentation makes way for Indent, the others keep
  // theirs relative to it.
  void WriteLines(const TFormFileRecord& Record, const TFormFileRecord::TProperty& P, int Indent) {
    const TFormFileRecord::TSource* Source = Record.Source.get();
    if (Source == nullptr || P.FirstLine < 1 || P.LastLine < P.FirstLine ||
        static_cast<std::size_t>(P.LastLine) > Source->LineCount())
      return;
    const std::string_view Head = Source->Line(static_cast<std::size_t>(P.FirstLine));
    const std::size_t Base = std::min(Head.find_first_not_of(" \t"), Head.size());
    for (int I = P.FirstLine; I <= P.LastLine; ++I) {
      const std::string_view L = Source->Line(static_cast<std::size_t>(I));
      Line(Indent, L.substr(std::min({Base, L.find_first_not_of(" \t"), L.size()})));
    }
  }

  // Where the designer shows a component that is no control.
  void WriteDesignInfo(const TComponent& Component, int Indent, std::string_view Which) {
    const auto Info = static_cast<std::uint32_t>(Component.DesignInfo());
    if (Which == "Left" && (Info & 0xFFFFu) != 0 && GetPropInfo(Component, "Left") == nullptr)
      Line(Indent, "Left = " + IntToStr(static_cast<std::int64_t>(Info & 0xFFFFu)));
    if (Which == "Top" && (Info >> 16) != 0 && GetPropInfo(Component, "Top") == nullptr)
      Line(Indent, "Top = " + IntToStr(static_cast<std::int64_t>(Info >> 16)));
  }

  void WriteProperties(const TObject& Object, const std::string& Prefix, int Indent) {
    for (PPropInfo Prop : GetPropList(Object))
      if (IsStoredProp(Object, *Prop)) WriteProperty(Object, *Prop, Prefix + Prop->Name, Indent);
  }

  // One property; collecting entries, each one written is an entry (the
  // properties of a plain owned object each one of their own).
  void WriteProperty(const TObject& Object, const TPropInfo& Prop, const std::string& Name, int Indent) {
    TFormEntries* const Entries = FEntries;
    const TObject* Owned =
        Prop.PropType->Kind == tkClass && !Prop.IsReference() ? GetObjectProp(Object, Prop) : nullptr;
    const bool Whole = Owned == nullptr || dynamic_cast<const TStrings*>(Owned) != nullptr ||
                       dynamic_cast<const TCollection*>(Owned) != nullptr;
    if (Entries == nullptr || !Whole) {
      WritePropertyText(Object, Prop, Name, Indent);
      return;
    }
    FEntries = nullptr;  // what a collection's items hold is part of its entry
    WritePropertyText(Object, Prop, Name, Indent);
    FEntries = Entries;
    if (FText.empty()) return;
    const bool Lines = dynamic_cast<const TStrings*>(Owned) != nullptr;
    Entries->push_back({Lines ? Name + ".Strings" : Name, std::move(FText)});
    FText.clear();
  }

  void WritePropertyText(const TObject& Object, const TPropInfo& Prop, const std::string& Name, int Indent) {
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
        FText.append(FLineBreak);
        FText.append(static_cast<std::size_t>(Indent) + 2, ' ');
      }
      const auto Byte = static_cast<unsigned char>(Bytes[I]);
      FText.push_back(Digits[Byte >> 4]);
      FText.push_back(Digits[Byte & 0xF]);
    }
    FText.append("}");
    FText.append(FLineBreak);
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
  form_files::TWrittenEntries* FCapture;
  TFormEntries* FEntries = nullptr;  // while one component's entries are collected
  std::string FLineBreak;
  std::string FText;
};

}  // namespace

std::string WriteComponentText(const TComponent& Root, std::string_view RootClassName) {
  return TFormWriter(Root).Write(RootClassName);
}

form_files::TWrittenEntries form_files::WrittenEntries(const TComponent& Root,
                                                                               std::string_view LineBreak) {
  form_files::TWrittenEntries Entries;
  Entries.reserve(static_cast<std::size_t>(Root.ComponentCount()) + 1);
  TFormWriter(Root, &Entries, LineBreak).Write("");
  return Entries;
}
