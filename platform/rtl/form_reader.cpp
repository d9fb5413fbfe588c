#include "rtl/FormFiles.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <unordered_map>

#include "component_watch.h"
#include "form_parser.h"
#include "form_record.h"
#include "property_text.h"
#include "rtl/TypInfo.h"
#include "rtl_consts.h"

using namespace form_files;
using form_files::TFormEntries;
using form_files::TFormEntry;

namespace {

// One step from a component to the object a property belongs to: into the
// owned object that Prop holds, and with Index >= 0 into that collection's item.
struct TPathStep {
  PPropInfo Prop;
  int Index;
};

// A reference or event, set once every object of the file exists. The object
// is found again by its path, because reading a collection property a second
// time replaces the items read before.
struct TFixup {
  // The root that names and methods are looked up in first: Root, or the
  // inline frame the property was read in.
  TComponent* Context;
  TComponent* Anchor;
  std::size_t AnchorIndex;  // the reader's entry of Anchor; none for Root
  std::vector<TPathStep> Path;
  PPropInfo Prop;
  std::string Name;
  int Line;
  std::string Where;
  std::size_t ContextIndex;  // the reader's entry of Context; none for Root
};

// BeginUpdate .. EndUpdate of a collection being read, ended also when reading
// fails (where an Update that raises must not hide the first error).
class TCollectionUpdate {
 public:
  explicit TCollectionUpdate(TCollection& ACollection)
      : FCollection(ACollection), FExceptions(std::uncaught_exceptions()) {
    FCollection.BeginUpdate();
  }
  ~TCollectionUpdate() noexcept(false) {
    if (std::uncaught_exceptions() == FExceptions) {
      FCollection.EndUpdate();
      return;
    }
    try {
      FCollection.EndUpdate();
    } catch (...) {
    }
  }
  TCollectionUpdate(const TCollectionUpdate&) = delete;
  TCollectionUpdate& operator=(const TCollectionUpdate&) = delete;

 private:
  TCollection& FCollection;
  int FExceptions;
};

bool SameStep(const TPathStep& A, const TPathStep& B) { return A.Prop == B.Prop && A.Index == B.Index; }

std::vector<std::string> SplitPath(const std::string& Name) {
  std::vector<std::string> Parts;
  std::size_t Start = 0;
  while (true) {
    const std::size_t Dot = Name.find('.', Start);
    Parts.push_back(Name.substr(Start, Dot == std::string::npos ? Dot : Dot - Start));
    if (Dot == std::string::npos) return Parts;
    Start = Dot + 1;
  }
}

const char* Expected(const TPropInfo& Prop) {
  switch (Prop.PropType->Kind) {
    case tkInteger:
    case tkInt64:
    case tkChar:
    case tkWChar: return "an integer";
    case tkEnumeration: return "a name";
    case tkSet: return "a set";
    case tkFloat: return "a number";
    case tkVariant: return "a string, a number, True, False or Null";
    case tkMethod: return "a method name";
    case tkClass: return Prop.IsReference() ? "a component name" : "a collection";
    default: return "a string";
  }
}

[[noreturn]] void WrongValue(const TPropInfo& Prop, const TFormValue& Value) {
  throw EPropertyConvertError(
      Format("Invalid property value (%s where %s is expected)", {KindName(Value.Kind), Expected(Prop)}));
}

// Reads one parsed file into Root. Unless the whole read succeeds, whatever it
// created goes again when the reader is destroyed.
class TFormReader : vn_rtl::TComponentDestroyWatch {
 public:
  TFormReader(TComponent& ARoot, std::string_view ASourceName, std::string_view AText, const TFormReadOptions& AOptions)
      : FRoot(ARoot),
        FSourceName(ASourceName),
        FSource(SourceOf(AText)),
        FLineBreak(LineBreakOf(AText)),
        FOptions(AOptions) {}
  ~TFormReader() {
    if (FCommitted) return;
    for (std::size_t I = FCreated.size(); I-- > 0;)
      if (FCreated[I].Created && IsAlive(I)) delete FCreated[I].Component;
    for (std::size_t I = 0; I < FCreated.size(); ++I)
      if (IsAlive(I)) FCreated[I].Component->SetLoading(false);
    FRoot.SetLoading(false);
  }
  TFormReader(const TFormReader&) = delete;
  TFormReader& operator=(const TFormReader&) = delete;

  void Read(const TFormObject& Tree) {
    try {
      ReadAll(Tree);
    } catch (const EParserError&) {
      throw;
    } catch (Exception& E) {
      // Whatever failed is told with the place in the file that caused it.
      const std::string Message = FWhere.empty() ? E.Message() : "Error reading " + FWhere + ": " + E.Message();
      E.SetMessage(Located(Message, FSourceName, FLine));
      throw;
    }
    FCommitted = true;
  }

 private:
  void ReadAll(const TFormObject& Tree) {
    FLine = Tree.Line;
    FRoot.SetLoading(true);
    FRoot.SetName(Tree.Name);
    FRoot.SetAncestor(Tree.Kind == okInherited);
    FRoot.SetInline(Tree.Kind == okInline);
    FAnchor = &FRoot;
    FAnchorIndex = NoContext;
    FAnchorFixups = 0;
    FContext = &FRoot;
    FContextIndex = NoContext;
    FRecords.clear();
    FRecords.push_back({&FRoot, NoContext, ReadComponentProperties(FRoot, Tree)});
    FRecords.back().Record->LineBreak = FLineBreak;
    for (const TFormObject& Child : Tree.Children) ReadObject(Child, FRoot);

    for (const TFixup& Fixup : FFixups) Resolve(Fixup);

    FWhere.clear();
    FLine = Tree.Line;
    FRoot.Loaded();
    for (std::size_t I = 0; I < FCreated.size(); ++I)
      if (IsAlive(I)) {
        FLine = FCreated[I].Line;
        FCreated[I].Component->Loaded();
      }
    KeepRecords();
  }

  // Each component keeps what the file said of it, and what the writer makes
  // of it now, to tell later what changed.
  // The two lists are matched by address, both sorted.
  void KeepRecords() {
    form_files::TWrittenEntries Written;
    try {
      Written = form_files::WrittenEntries(FRoot, FLineBreak);
    } catch (const EWriteError&) {
      // A value no file can hold: then nothing counts as unchanged.
    }
    // What Loaded destroyed keeps nothing.
    std::erase_if(FRecords, [&](const TRecordOf& Of) { return Of.Entry != NoContext && !IsAlive(Of.Entry); });
    const std::less<const TComponent*> Before;
    std::sort(Written.begin(), Written.end(), [&](const auto& A, const auto& B) { return Before(A.first, B.first); });
    std::sort(FRecords.begin(), FRecords.end(),
              [&](const TRecordOf& A, const TRecordOf& B) { return Before(A.Component, B.Component); });
    auto Found = Written.begin();
    for (TRecordOf& Of : FRecords) {
      while (Found != Written.end() && Before(Found->first, Of.Component)) ++Found;
      if (Found != Written.end() && Found->first == Of.Component) {
        Of.Record->AsRead.reserve(Found->second.size());
        for (TFormEntry& Entry : Found->second)
          Of.Record->AsRead.push_back({std::move(Entry.Name), std::hash<std::string>{}(Entry.Text)});
      }
      Of.Component->SetFormFileRecord(std::move(Of.Record));
    }
    FRecords.clear();
  }

  // Reads Node's properties into Component and records them as the file gives them.
  std::shared_ptr<TFormFileRecord> ReadComponentProperties(TComponent& Component, const TFormObject& Node) {
    auto Record = std::make_shared<TFormFileRecord>();
    Record->Source = FSource;
    Record->Index = Node.Index;
    const std::string Where = DisplayName(Component);
    for (const TFormProperty& Property : Node.Properties) {
      TFormFileRecord::TProperty& Kept = Record->Properties.emplace_back();
      Kept.Name = Property.Name;
      Kept.FirstLine = Property.Line;
      Kept.LastLine = Property.EndLine;
      Kept.Known = ReadProperty(Component, Property, Where);
    }
    return Record;
  }

  static std::shared_ptr<const TFormFileRecord::TSource> SourceOf(std::string_view Text) {
    auto Source = std::make_shared<TFormFileRecord::TSource>();
    if (Text.starts_with("\xEF\xBB\xBF")) Text.remove_prefix(3);
    Source->Text = Text;
    for (std::size_t Start = 0; Start < Text.size();) {
      Source->Starts.push_back(Start);
      const std::size_t End = Text.find('\n', Start);
      if (End == std::string_view::npos) break;
      Start = End + 1;
    }
    return Source;
  }

  // The text's line break: that of its first line ("\r\n" or "\n").
  static std::string LineBreakOf(std::string_view Text) {
    const std::size_t End = Text.find('\n');
    if (End == std::string_view::npos) return std::string(sLineBreak);
    return End > 0 && Text[End - 1] == '\r' ? "\r\n" : "\n";
  }

  static std::string DisplayName(const TComponent& C) { return C.Name().empty() ? C.ClassName() : C.Name(); }

  // Whether the component read as FCreated[I] still exists and its owner (Root,
  // or an inline frame that itself still exists) still holds it. What code
  // called during the read destroys is marked (Destroyed) and never looked at
  // again. The depth is that of nested frames.
  bool IsAlive(std::size_t I) const {
    const TRead& Entry = FCreated[I];
    if (Entry.Destroyed) return false;
    if (Entry.OwnerIndex == NoContext) return Entry.Component->Owner() == &FRoot;
    return IsAlive(Entry.OwnerIndex) && Entry.Component->Owner() == FCreated[Entry.OwnerIndex].Component;
  }

  // Entries by address, made the first time one is looked for (a destruction,
  // an inherited object); until then the read pays nothing for them.
  void IndexEntries() {
    if (FIndexed) return;
    FEntryOf.reserve(FCreated.capacity());
    for (std::size_t I = 0; I < FCreated.size(); ++I)
      if (!FCreated[I].Destroyed) FEntryOf[FCreated[I].Component] = I;
    FIndexed = true;
  }

  // Marks the entry of a component being destroyed.
  void Destroyed(const TComponent* Component) noexcept override {
    try {
      IndexEntries();
      const auto Found = FEntryOf.find(Component);
      if (Found == FEntryOf.end()) return;
      FCreated[Found->second].Destroyed = true;
      FEntryOf.erase(Found);
    } catch (...) {
      // Out of memory while marking: no entry can be trusted any more.
      for (TRead& Entry : FCreated) Entry.Destroyed = true;
      FIndexed = false;
      FEntryOf.clear();
    }
  }

  // Appends the entry of a component of the file (room for it is there).
  void Record(TComponent* Component, bool Created, int Line) noexcept {
    FCreated.push_back({Component, FContextIndex, Line, Created, false});
    if (!FIndexed) return;
    try {
      FEntryOf[Component] = FCreated.size() - 1;
    } catch (...) {
      // Made again from FCreated when next looked for.
      FIndexed = false;
      FEntryOf.clear();
    }
  }

  void ReadObject(const TFormObject& Node, TComponent& Parent) {
    FWhere.clear();
    FLine = Node.Line;
    TComponent& Owner = *FContext;
    const TMetaClass& Class = FindClass(Node.ClassName);
    if (!Class.InheritsFrom(TComponent::StaticClass()))
      throw EFilerError(Format("%s is not a component class", {Class.ClassName()}));
    // Room for the entry first, so that nothing can fail between making the
    // component and recording it. Doubling keeps the appends linear.
    if (FCreated.size() == FCreated.capacity()) FCreated.reserve(2 * FCreated.size() + 16);

    TComponent* Existing = Node.Kind == okInherited ? Owner.FindComponent(Node.Name) : nullptr;
    // Only what was there before the file counts as inherited: one read
    // earlier in this file is given twice.
    if (Node.Kind == okInherited) IndexEntries();
    if (Existing != nullptr && FEntryOf.contains(Existing))
      throw EComponentError(Format(rtl_consts::SDuplicateName, {Node.Name}));
    if (Existing != nullptr) {
      if (!Existing->InheritsFrom(Class))
        throw EFilerError(Format("%s is not a %s", {Node.Name, Class.ClassName()}));
      Record(Existing, false, Node.Line);
    } else {
      std::unique_ptr<TObject> Instance = Class.CreateInstance(&Owner);
      auto& Made = dynamic_cast<TComponent&>(*Instance);
      if (Made.Owner() != &Owner) Owner.InsertComponent(Made);
      Instance.release();
      Record(&Made, true, Node.Line);
    }
    const std::size_t Index = FCreated.size() - 1;
    TComponent& Component = *FCreated.back().Component;

    Component.SetLoading(true);
    Component.SetAncestor(Node.Kind == okInherited);
    Component.SetInline(Node.Kind == okInline);
    if (Existing == nullptr) Component.SetName(Node.Name);
    Component.SetParentComponent(&Parent);
    FAnchor = &Component;
    FAnchorIndex = Index;
    FAnchorFixups = FFixups.size();
    FRecords.push_back({&Component, Index, ReadComponentProperties(Component, Node)});
    if (Node.Kind != okInline) {
      for (const TFormObject& Child : Node.Children) ReadObject(Child, Component);
      return;
    }
    // A frame owns what is inside it, and names inside it are its own.
    TComponent* const SavedContext = FContext;
    const std::size_t SavedIndex = FContextIndex;
    FContext = &Component;
    FContextIndex = Index;
    for (const TFormObject& Child : Node.Children) ReadObject(Child, Component);
    FContext = SavedContext;
    FContextIndex = SavedIndex;
  }

  void ReadProperties(TObject& Object, const std::vector<TFormProperty>& Properties, const std::string& Where) {
    for (const TFormProperty& Property : Properties) ReadProperty(Object, Property, Where);
  }

  // Whether Object has the property a file names (a dotted path through owned objects).
  static bool HasProperty(const TObject& Object, const std::vector<std::string>& Parts) {
    const TObject* Target = &Object;
    for (std::size_t I = 0; I + 1 < Parts.size(); ++I) {
      const PPropInfo Prop = GetPropInfo(*Target, Parts[I]);
      if (Prop == nullptr) return false;
      if (Prop->PropType->Kind != tkClass || Prop->IsReference()) return true;  // an error of its own below
      Target = GetObjectProp(*Target, *Prop);
      if (Target == nullptr) return true;
    }
    if (Parts.size() > 1 && SameText(Parts.back(), "Strings") && dynamic_cast<const TStrings*>(Target) != nullptr)
      return true;
    return GetPropInfo(*Target, Parts.back()) != nullptr;
  }

  // Reads one property; false when it is none of Object's and the options keep
  // it unread.
  bool ReadProperty(TObject& Object, const TFormProperty& Property, const std::string& ObjectWhere) {
    FLine = Property.Line;
    FWhere = ObjectWhere + "." + Property.Name;
    const std::size_t PathSize = FPath.size();
    const std::vector<std::string> Parts = SplitPath(Property.Name);
    TObject* Target = &Object;
    if (Parts.size() == 1 && ReadDesignInfo(Object, Parts.front(), Property.Value)) {
      FPath.resize(PathSize);
      return true;
    }
    if (FOptions.KeepUnknownProperties && !HasProperty(Object, Parts)) {
      Notice(Located(Format("%s has no property %s; it is kept as the file gives it", {ObjectWhere, Property.Name}),
                     FSourceName, Property.Line));
      return false;
    }
    for (std::size_t I = 0; I + 1 < Parts.size(); ++I) {
      const TPropInfo& Prop = FindPropInfo(*Target, Parts[I]);
      TObject* Owned = Prop.PropType->Kind == tkClass && !Prop.IsReference() ? GetObjectProp(*Target, Prop) : nullptr;
      if (Owned == nullptr) throw EPropertyError(Format("Property %s holds no object", {Prop.Name}));
      FPath.push_back({&Prop, -1});
      Target = Owned;
    }
    // A string list's lines: the platform writes them as a property of its own.
    if (auto* Strings = dynamic_cast<TStrings*>(Target); Strings != nullptr && Parts.size() > 1 &&
                                                          SameText(Parts.back(), "Strings")) {
      ReadStrings(*Strings, Property.Value);
    } else {
      ReadValue(*Target, FindPropInfo(*Target, Parts.back()), Property.Value, FWhere);
    }
    FPath.resize(PathSize);
    FLine = Property.Line;
    FWhere = ObjectWhere + "." + Property.Name;
    return true;
  }

  // Left and Top of a component that publishes neither: where the designer
  // shows it. The builder writes each as a 16-bit word, so both -8 and 65528
  // are read, as the same position.
  bool ReadDesignInfo(TObject& Object, const std::string& Name, const TFormValue& Value) {
    const bool Left = SameText(Name, "Left");
    if (!Left && !SameText(Name, "Top")) return false;
    auto* Component = dynamic_cast<TComponent*>(&Object);
    if (Component == nullptr || GetPropInfo(Object, Name) != nullptr) return false;
    if (Value.Kind != TFormValue::vkInteger)
      throw EPropertyConvertError(
          Format("Invalid property value (%s where an integer is expected)", {KindName(Value.Kind)}));
    if (Value.Integer < -32768 || Value.Integer > 65535)
      throw EPropertyConvertError(
          Format("%d is out of range for the design position %s (-32768..65535)", {Value.Integer, Name}));
    const auto Word = static_cast<std::uint32_t>(Value.Integer) & 0xFFFFu;
    auto Info = static_cast<std::uint32_t>(Component->DesignInfo());
    Info = Left ? (Info & 0xFFFF0000u) | Word : (Info & 0x0000FFFFu) | (Word << 16);
    Component->SetDesignInfo(static_cast<std::int32_t>(Info));
    return true;
  }

  void ReadStrings(TStrings& Strings, const TFormValue& Value) {
    if (Value.Kind != TFormValue::vkList)
      throw EPropertyConvertError(Format("Invalid property value (%s where a list of strings is expected)",
                                         {KindName(Value.Kind)}));
    TStringList Lines;
    for (const TFormValue& Item : Value.Items) {
      if (Item.Kind != TFormValue::vkString)
        throw EPropertyConvertError(Format("Invalid property value (%s in a list of strings)", {KindName(Item.Kind)}));
      Lines.Add(Item.Text);
    }
    Strings.Assign(Lines);
  }

  void ReadValue(TObject& Object, const TPropInfo& Prop, const TFormValue& Value, const std::string& Where) {
    if (Prop.PropType == BinaryDataTypeInfo()) {
      if (Value.Kind != TFormValue::vkBinary)
        throw EPropertyConvertError(
            Format("Invalid property value (%s where binary data is expected)", {KindName(Value.Kind)}));
      SetStrProp(Object, Prop, Value.Text);
      return;
    }
    if (Value.Kind == TFormValue::vkBinary)
      throw EPropertyError(Format("Property %s cannot take binary data", {Prop.Name}));
    switch (Prop.PropType->Kind) {
      case tkInteger:
      case tkInt64:
      case tkChar:
      case tkWChar: {
        std::int64_t Number = Value.Integer;
        if (Value.Kind == TFormValue::vkIdent && Prop.PropType->IdentCount > 0) {
          if (!IdentToInt(Prop.PropType, Value.Text, Number))
            throw EPropertyConvertError(
                Format("Invalid property value %s: no value of %s has that name", {Value.Text, Prop.PropType->Name}));
        } else if (Value.Kind != TFormValue::vkInteger) {
          WrongValue(Prop, Value);
        }
        SetOrdProp(Object, Prop, Number);
        return;
      }
      case tkEnumeration: {
        if (Value.Kind != TFormValue::vkIdent) WrongValue(Prop, Value);
        const std::int64_t Ordinal = GetEnumValue(Prop.PropType, Value.Text);
        if (Ordinal < 0)
          throw EPropertyConvertError(
              Format("Invalid property value %s: no value of %s has that name", {Value.Text, Prop.PropType->Name}));
        SetOrdProp(Object, Prop, Ordinal);
        return;
      }
      case tkSet: {
        if (Value.Kind != TFormValue::vkSet) WrongValue(Prop, Value);
        std::uint64_t Bits = 0;
        for (const std::string& Element : Value.Elements) {
          const std::int64_t Ordinal = GetEnumValue(Prop.PropType->CompType, Element);
          if (Ordinal < 0 || Ordinal > 63)
            throw EPropertyConvertError(Format(rtl_consts::SPropertyElement, {Element, Prop.Name}));
          Bits |= std::uint64_t{1} << Ordinal;
        }
        SetOrdProp(Object, Prop, static_cast<std::int64_t>(Bits));
        return;
      }
      case tkFloat:
        if (Value.Kind == TFormValue::vkInteger)
          SetFloatProp(Object, Prop, static_cast<double>(Value.Integer));
        else if (Value.Kind == TFormValue::vkFloat)
          SetFloatProp(Object, Prop, Value.Float);
        else
          WrongValue(Prop, Value);
        return;
      case tkVariant:
        SetVariantProp(Object, Prop, ToVariant(Prop, Value));
        return;
      case tkMethod:
        if (Value.Kind != TFormValue::vkIdent || Value.Text.find('.') != std::string::npos) WrongValue(Prop, Value);
        if (!Prop.SetMethod) throw EPropertyError(Format(rtl_consts::SPropertyReadOnly, {Prop.Name}));
        if (SameText(Value.Text, "nil"))
          SetMethodProp(Object, Prop, "", std::any());
        else
          FFixups.push_back({FContext, FAnchor, FAnchorIndex, FPath, &Prop, Value.Text, FLine, Where, FContextIndex});
        return;
      case tkClass:
        if (Prop.IsReference()) {
          if (Value.Kind != TFormValue::vkIdent) WrongValue(Prop, Value);
          if (SameText(Value.Text, "nil"))
            SetObjectProp(Object, Prop, nullptr);
          else
            FFixups.push_back({FContext, FAnchor, FAnchorIndex, FPath, &Prop, Value.Text, FLine, Where, FContextIndex});
          return;
        }
        if (auto* Collection = dynamic_cast<TCollection*>(GetObjectProp(Object, Prop))) {
          if (Value.Kind != TFormValue::vkCollection) WrongValue(Prop, Value);
          ReadCollection(*Collection, Prop, Value, Where);
          return;
        }
        throw EPropertyError(Format("Property %s holds an object and takes no value of its own", {Prop.Name}));
      default:
        if (Value.Kind != TFormValue::vkString) WrongValue(Prop, Value);
        SetStrProp(Object, Prop, Value.Text);
        return;
    }
  }

  static Variant ToVariant(const TPropInfo& Prop, const TFormValue& Value) {
    switch (Value.Kind) {
      case TFormValue::vkString: return Variant(Value.Text);
      case TFormValue::vkInteger: return Variant(Value.Integer);
      case TFormValue::vkFloat: return Variant(Value.Float);
      case TFormValue::vkIdent:
        if (SameText(Value.Text, "True")) return Variant(true);
        if (SameText(Value.Text, "False")) return Variant(false);
        if (SameText(Value.Text, "Null")) return Variant::Null();
        break;
      default:
        break;
    }
    WrongValue(Prop, Value);
  }

  void ReadCollection(TCollection& Collection, const TPropInfo& Prop, const TFormValue& Value,
                      const std::string& Where) {
    TCollectionUpdate Update(Collection);
    // The items read before (the property given twice) go now, and so do the
    // references and events still waiting for them.
    // Only this component's own fixups can be among them: they are the last ones.
    const auto Own = FFixups.begin() + static_cast<std::ptrdiff_t>(FAnchorFixups);
    FFixups.erase(std::remove_if(Own, FFixups.end(), [&](const TFixup& Fixup) {
      return Fixup.Anchor == FAnchor && Fixup.Path.size() > FPath.size() &&
             std::equal(FPath.begin(), FPath.end(), Fixup.Path.begin(), SameStep) &&
             Fixup.Path[FPath.size()].Prop == &Prop;
    }), FFixups.end());
    Collection.Clear();
    for (std::size_t I = 0; I < Value.CollectionItems.size(); ++I) {
      const TFormItem& Item = Value.CollectionItems[I];
      FLine = Item.Line;
      TCollectionItem* Instance = Collection.Add();
      FPath.push_back({&Prop, static_cast<int>(I)});
      ReadProperties(*Instance, Item.Properties, Where + "[" + IntToStr(static_cast<std::int64_t>(I)) + "]");
      FPath.pop_back();
    }
  }

  // The object a fixup's property belongs to; null when it no longer exists.
  TObject* Target(const TFixup& Fixup) const {
    if (Fixup.AnchorIndex != NoContext && !IsAlive(Fixup.AnchorIndex)) return nullptr;
    TObject* Object = Fixup.Anchor;
    for (const TPathStep& Step : Fixup.Path) {
      Object = GetObjectProp(*Object, *Step.Prop);
      if (Step.Index < 0 || Object == nullptr) continue;
      auto* Collection = dynamic_cast<TCollection*>(Object);
      if (Collection == nullptr || Step.Index >= Collection->Count()) return nullptr;
      Object = Collection->Items(Step.Index);
    }
    return Object;
  }

  void Resolve(const TFixup& Fixup) {
    FLine = Fixup.Line;
    FWhere = Fixup.Where;
    TObject* Object = Target(Fixup);
    if (Object == nullptr) return;
    if (Fixup.Prop->PropType->Kind == tkMethod) {
      property_text::BindMethod(*Object, *Fixup.Prop, Fixup.Name, Fixup.Context);
      return;
    }
    TComponent* Value = property_text::FindReference(*Fixup.Context, Fixup.Name);
    if (Value == nullptr && Fixup.Context != &FRoot) Value = property_text::FindReference(FRoot, Fixup.Name);
    if (Value == nullptr)
      throw EPropertyConvertError(Format(rtl_consts::SComponentNotFound, {Fixup.Name, Fixup.Prop->Name}));
    SetObjectProp(*Object, *Fixup.Prop, Value);
  }

  // A component of the file: made by the reader, or given as inherited and
  // found made already. OwnerIndex is the entry of the inline frame that owns
  // it, NoContext for Root.
  struct TRead {
    TComponent* Component;
    std::size_t OwnerIndex;
    int Line;
    bool Created;
    bool Destroyed;
  };
  static constexpr std::size_t NoContext = static_cast<std::size_t>(-1);

  struct TRecordOf {
    TComponent* Component;
    std::size_t Entry;  // in FCreated; none for Root
    std::shared_ptr<TFormFileRecord> Record;
  };

  TComponent& FRoot;
  std::string_view FSourceName;
  std::shared_ptr<const TFormFileRecord::TSource> FSource;  // the text's lines, for what the records keep
  std::string FLineBreak;
  const TFormReadOptions& FOptions;
  std::vector<TRecordOf> FRecords;  // kept with their components once the read succeeded
  std::vector<TRead> FCreated;
  std::unordered_map<const TComponent*, std::size_t> FEntryOf;  // FCreated's live entries, once FIndexed
  bool FIndexed = false;
  std::vector<TFixup> FFixups;
  // Where reading is: the root that owns what is read (Root or an inline
  // frame), the component whose objects are read and its first fixup, the
  // path from it, and for messages the line and the property.
  TComponent* FContext = nullptr;
  std::size_t FContextIndex = NoContext;
  TComponent* FAnchor = nullptr;
  std::size_t FAnchorIndex = NoContext;
  std::size_t FAnchorFixups = 0;
  std::vector<TPathStep> FPath;
  int FLine = 0;
  std::string FWhere;
  bool FCommitted = false;
};

}  // namespace

TFormFileHeader ReadComponentText(std::string_view Text, TComponent& Root, std::string_view SourceName,
                                  const TFormReadOptions& Options) {
  const TFormObject Tree = ParseFormText(Text, SourceName);
  TFormReader(Root, SourceName, Text, Options).Read(Tree);
  return {Tree.Name, Tree.ClassName};
}
