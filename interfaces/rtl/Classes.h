// Unit Classes: persistent objects, components, string lists, streams and the
// class registry.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/System.h"

// ---------------------------------------------------------------------------
// Streams

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
  VN_DECLARE_CLASS(TStream)
 public:
  // Read and Write move up to Count bytes and return how many moved.
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

  // All or nothing: EReadError "Stream read error" / EWriteError "Stream write error".
  void ReadBuffer(void* Buffer, std::int64_t Count);
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  std::int64_t Position();
  void SetPosition(std::int64_t Pos);
  virtual std::int64_t Size();
};

// A stream over a string held in memory.
class TStringStream : public TStream {
  VN_DECLARE_CLASS(TStringStream)
 public:
  TStringStream() = default;
  explicit TStringStream(std::string AString) : FDataString(std::move(AString)) {}

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FDataString.size()); }

  const std::string& DataString() const noexcept { return FDataString; }
  std::string ReadString(std::int64_t Count);
  void WriteString(std::string_view S);

 private:
  std::string FDataString;
  std::size_t FPosition = 0;
};

// ---------------------------------------------------------------------------
// Events

// An event property's value: the handler and the name of the root's method it
// came from, which form files write. Empty when no handler is assigned.
template <class F>
struct TEvent {
  std::string Name;
  std::function<F> Handler;

  explicit operator bool() const noexcept { return static_cast<bool>(Handler); }
  // Calls the handler, which must be assigned.
  template <class... A>
  decltype(auto) operator()(A&&... Args) const {
    return Handler(std::forward<A>(Args)...);
  }
};
using TNotifyEvent = TEvent<void(TObject* Sender)>;

// ---------------------------------------------------------------------------
// Persistent objects and components

class TPersistent : public TObject {
  VN_DECLARE_CLASS(TPersistent)
 public:
  // Copies Source into this object. The default asks Source to AssignTo this
  // object and raises EConvertError "Cannot assign a X to a Y" when neither knows how.
  virtual void Assign(const TPersistent& Source);

 protected:
  virtual void AssignTo(TPersistent& Dest) const;
};

enum TOperation { opInsert, opRemove };

enum TComponentStateItem {
  csLoading, csReading, csWriting, csDestroying, csDesigning,
  csAncestor, csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

// A named object that an owner holds. The owner destroys the components it owns
// (the last inserted first); a component destroyed earlier leaves its owner.
struct TFormFileRecord;

class TComponent : public TPersistent {
  VN_DECLARE_PUBLISHED(TComponent)
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  const std::string& Name() const noexcept { return FName; }
  // An empty name or a valid identifier unique among the owner's components,
  // else EComponentError.
  virtual void SetName(const std::string& NewName);

  TComponent* Owner() const noexcept { return FOwner; }
  int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const;  // EListError when out of range
  int ComponentIndex() const;
  // An owned component by name, without regard to case; null when absent.
  TComponent* FindComponent(std::string_view AName) const;
  // True when AComponent is one of this component's own components. AComponent
  // is not dereferenced: it may point to one destroyed already. Linear in the
  // number of owned components.
  bool Owns(const TComponent* AComponent) const noexcept;
  void InsertComponent(TComponent& AComponent);
  void RemoveComponent(TComponent& AComponent);

  TComponentState ComponentState() const noexcept { return FComponentState; }
  void SetDesigning(bool Value, bool SetChildren = true);
  void SetLoading(bool Value);
  // csAncestor: an ancestor form creates this component, and form files give it
  // as `inherited`. csInline: a frame placed on a form, given as `inline` with
  // the components it owns.
  void SetAncestor(bool Value);
  void SetInline(bool Value);
  std::int64_t Tag() const noexcept { return FTag; }
  void SetTag(std::int64_t Value) noexcept { FTag = Value; }
  // Where the designer shows a component that is no control: Left in the low
  // 16 bits, Top in the high 16 bits. Form files carry it as Left and Top.
  std::int32_t DesignInfo() const noexcept { return FDesignInfo; }
  void SetDesignInfo(std::int32_t Value) noexcept { FDesignInfo = Value; }
  // What a form file said of the component when it was read (FormFiles.h), so
  // that writing it back keeps what nobody changed; null for a component no
  // file described.
  const TFormFileRecord* FormFileRecord() const noexcept { return FFormFileRecord.get(); }
  void SetFormFileRecord(std::shared_ptr<const TFormFileRecord> Record) noexcept {
    FFormFileRecord = std::move(Record);
  }

  // Asks to be told (Notification with opRemove) when AComponent is destroyed.
  void FreeNotification(TComponent& AComponent);
  void RemoveFreeNotification(TComponent& AComponent);

  // Called by the form reader once every object of the file exists and every
  // reference is resolved. An override calls the base, which clears csLoading.
  virtual void Loaded();
  // True when this component is written inside its parent component in form
  // files (a control on a panel) rather than directly inside the root.
  virtual bool HasParent() const;
  virtual TComponent* GetParentComponent() const;
  // Called by the form reader, before the component's properties are read, with
  // the object that contains it in the file (the root for top-level objects).
  virtual void SetParentComponent(TComponent* Value);
  // Called by the form writer: calls Proc for each component it writes inside
  // this one. The default, when this component is Root, gives every owned
  // component without a parent, in order; otherwise nothing.
  virtual void GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const;
  // Called by the form reader to bind an event property to a method of this
  // root by name: a root with handlers returns a std::function of the event's
  // signature for its method Name; the default returns an empty std::any.
  virtual std::any MethodAddress(std::string_view Name) const;

 protected:
  // Called when a component is inserted into or removed from this owner, and when
  // a component that this one asked FreeNotification of is destroyed. An override
  // clears every reference it holds to a removed component, then calls the base.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  void SetComponentState(TComponentState Value) noexcept { FComponentState = Value; }

 private:
  // Raises EComponentError naming Name when a component other than AComponent
  // is indexed under Key (a name's key; empty for no name).
  void CheckNameFree(const std::string& Key, const TComponent& AComponent, std::string_view Name) const;
  void Insert(TComponent& AComponent, std::string Key);
  void Remove(TComponent& AComponent);
  void RemoveNotification(TComponent& AComponent);

  // Owned components by name, so that name checks and lookups stay
  // constant-time on roots with many thousands of components.
  struct TIndex;
  TIndex& Index() const;
  void Unindex(TComponent& AComponent) noexcept;

  TComponent* FOwner = nullptr;
  std::string FName;
  std::string FNameKey;  // FName's key in the owner's index; empty when not indexed
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  mutable std::unique_ptr<TIndex> FIndex;
  TComponentState FComponentState;
  std::int64_t FTag = 0;
  std::int32_t FDesignInfo = 0;
  std::shared_ptr<const TFormFileRecord> FFormFileRecord;
};

// A root that holds non-visual components. Besides its events it keeps what the
// builder's designer writes of it: where and how large the module was shown.
class TDataModule : public TComponent {
  VN_DECLARE_PUBLISHED(TDataModule)
 public:
  explicit TDataModule(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

  // Read and written back; the order of OnCreate and the components' own
  // creation is this host's one either way. Once set (a file gave it), it is
  // written even when False, as the builders that write it do.
  bool OldCreateOrder() const noexcept { return FOldCreateOrder; }
  void SetOldCreateOrder(bool Value) noexcept {
    FOldCreateOrder = Value;
    FOldCreateOrderGiven = true;
  }
  bool OldCreateOrderGiven() const noexcept { return FOldCreateOrderGiven; }
  int DesignLeft() const noexcept { return FDesignLeft; }
  void SetDesignLeft(int Value) noexcept { FDesignLeft = Value; }
  int DesignTop() const noexcept { return FDesignTop; }
  void SetDesignTop(int Value) noexcept { FDesignTop = Value; }
  int DesignHeight() const noexcept { return FDesignHeight; }
  void SetDesignHeight(int Value) noexcept { FDesignHeight = Value; }
  int DesignWidth() const noexcept { return FDesignWidth; }
  void SetDesignWidth(int Value) noexcept { FDesignWidth = Value; }
  int HorizontalOffset() const noexcept { return FHorizontalOffset; }
  void SetHorizontalOffset(int Value) noexcept { FHorizontalOffset = Value; }
  int VerticalOffset() const noexcept { return FVerticalOffset; }
  void SetVerticalOffset(int Value) noexcept { FVerticalOffset = Value; }
  int PixelsPerInch() const noexcept { return FPixelsPerInch; }
  void SetPixelsPerInch(int Value) noexcept { FPixelsPerInch = Value; }

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;

 private:
  bool FOldCreateOrder = false;
  bool FOldCreateOrderGiven = false;
  int FDesignLeft = 0;
  int FDesignTop = 0;
  int FDesignHeight = 0;
  int FDesignWidth = 0;
  int FHorizontalOffset = 0;
  int FVerticalOffset = 0;
  int FPixelsPerInch = 0;
};

// ---------------------------------------------------------------------------
// Collections

class TCollection;

// One item of a collection, which owns it. Destroying an item takes it out of
// its collection. Item classes are created by TCollection::Add through their
// class information, so they need a constructor callable without arguments,
// usually `explicit TMyItem(TCollection* Collection = nullptr)`.
class TCollectionItem : public TPersistent {
  VN_DECLARE_CLASS(TCollectionItem)
 public:
  // Joins ACollection (which then owns the item) unless it is null.
  explicit TCollectionItem(TCollection* ACollection = nullptr);
  ~TCollectionItem() override;

  TCollection* Collection() const noexcept { return FCollection; }
  // Moves the item to another collection (null: none, the caller owns it then).
  void SetCollection(TCollection* Value);
  // The position in the collection; -1 when the item has none.
  int Index() const;
  // Moves the item to position Value; EListError when out of range.
  virtual void SetIndex(int Value);
  // A number unique in the collection, kept when the item moves.
  int ID() const noexcept { return FID; }
  // What editors show for the item; the default is the class name.
  virtual std::string DisplayName() const;
  virtual void SetDisplayName(const std::string& Value);

 protected:
  // Tells the collection that this item (or, with AllItems, every item) changed.
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

// An ordered list of items of one class, owned by the list.
class TCollection : public TPersistent {
  VN_DECLARE_CLASS(TCollection)
 public:
  // AItemClass must be TCollectionItem or a class derived from it.
  explicit TCollection(const TMetaClass& AItemClass, TPersistent* AOwner = nullptr);
  ~TCollection() override;

  // A new item of the item class at the end.
  TCollectionItem* Add();
  // A new item at position Index.
  TCollectionItem* Insert(int Index);
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  TCollectionItem* Items(int Index) const;  // EListError when out of range
  void Delete(int Index);
  void Clear();
  // The item with that ID, or null.
  TCollectionItem* FindItemID(int ID) const;
  // Clears this collection, then adds an item per item of Source and assigns
  // the source item to it.
  void Assign(const TPersistent& Source) override;

  const TMetaClass& ItemClass() const noexcept { return *FItemClass; }
  TPersistent* Owner() const noexcept { return FOwner; }

  // Changes between BeginUpdate and the matching EndUpdate call Update once, at
  // the end.
  void BeginUpdate() noexcept { ++FUpdateCount; }
  void EndUpdate();
  int UpdateCount() const noexcept { return FUpdateCount; }

 protected:
  // Called after a change, unless a group of changes is under way: Item is the
  // item that changed, or null when items were added, removed or moved. Called
  // also when an item is destroyed, so an override must not raise.
  virtual void Update(TCollectionItem* Item);
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem& Item);
  void RemoveItem(TCollectionItem& Item);

  const TMetaClass* FItemClass;
  TPersistent* FOwner;
  std::vector<TCollectionItem*> FItems;
  int FNextID = 0;
  int FUpdateCount = 0;
};

// ---------------------------------------------------------------------------
// String lists

// An ordered list of text lines, each with an optional object that the list does
// not own. Lines of the form name=value are split at the first "=".
class TStrings : public TPersistent {
  VN_DECLARE_CLASS(TStrings)
 public:
  virtual int Count() const = 0;
  virtual std::string Strings(int Index) const = 0;
  virtual void Put(int Index, const std::string& S);
  virtual TObject* Objects(int Index) const;
  virtual void PutObject(int Index, TObject* AObject);
  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* AObject);
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void InsertObject(int Index, const std::string& S, TObject* AObject);
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  // Takes the line out at CurIndex and inserts it at NewIndex (an index into the
  // list after the removal); nothing when both are equal.
  virtual void Move(int CurIndex, int NewIndex);
  virtual void Exchange(int Index1, int Index2);

  // Index of the first line equal to S (CompareStrings), else -1.
  virtual int IndexOf(const std::string& S) const;
  // Index of the first line that has a "=" and whose name equals Name, else -1.
  int IndexOfName(const std::string& Name) const;
  int IndexOfObject(const TObject* AObject) const;

  // Text before the first "=" of line Index; "" when it has none.
  std::string Names(int Index) const;
  // Text after the first "=" of the first line named Name; "" when none is.
  std::string Values(const std::string& Name) const;
  // Replaces the value of the line named Name, adds a line when none is, and
  // deletes the line when Value is empty.
  void SetValue(const std::string& Name, const std::string& Value);
  std::string ValueFromIndex(int Index) const;

  // Every line followed by sLineBreak. Setting it replaces the lines: CR, LF and
  // CRLF each end a line, and a final line break adds no empty line.
  std::string Text() const;
  virtual void SetText(std::string_view Value);
  std::string CommaText() const;

  void Assign(const TPersistent& Source) override;
  void AddStrings(const TStrings& Strings);
  bool Equals(const TStrings& Strings) const;
  void SaveToStream(TStream& Stream) const;
  void LoadFromStream(TStream& Stream);

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const noexcept { return FUpdateCount; }

  // Compares two lines for IndexOf and IndexOfName: without regard to case,
  // Unicode-aware. TStringList makes this switchable.
  virtual int CompareStrings(const std::string& S1, const std::string& S2) const;

 protected:
  // Called when BeginUpdate starts or EndUpdate ends a group of changes.
  virtual void SetUpdateState(bool Updating);
  [[noreturn]] void Error(std::string_view Msg, int Data) const;

 private:
  int FUpdateCount = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
using TStringListSortCompare = std::function<int(const TStringList& List, int Index1, int Index2)>;

class TStringList : public TStrings {
  VN_DECLARE_CLASS(TStringList)
 public:
  TStringList() = default;

  int Count() const override { return static_cast<int>(FList.size()); }
  std::string Strings(int Index) const override;
  // The line itself, without a copy.
  const std::string& StringRef(int Index) const;
  void Put(int Index, const std::string& S) override;
  // Rewrites line Index in place: Edit(std::string&) gets the line itself and
  // may reuse its storage (clear, append) where Put would copy a string built
  // elsewhere. One change is notified afterwards, also when Edit throws; a
  // sorted list refuses it as it refuses Put.
  template <class F>
  void EditString(int Index, F&& Edit) {
    std::string& Line = EditableString(Index);
    TChangeNotice Notice{this};
    Edit(Line);
    Notice.FList = nullptr;
    Changed();
  }
  TObject* Objects(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  int Add(const std::string& S) override;
  // A sorted list that ignores a duplicate leaves the existing line's object alone.
  int AddObject(const std::string& S, TObject* AObject) override;
  void Insert(int Index, const std::string& S) override;
  void InsertObject(int Index, const std::string& S, TObject* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  void Exchange(int Index1, int Index2) override;
  int IndexOf(const std::string& S) const override;

  // Binary search of a sorted list: true and the index when found, else false
  // and the index where S would be inserted.
  bool Find(const std::string& S, int& Index) const;
  virtual void Sort();
  void CustomSort(const TStringListSortCompare& Compare);

  bool Sorted() const noexcept { return FSorted; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const noexcept { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) noexcept { FDuplicates = Value; }
  bool CaseSensitive() const noexcept { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);

  // Without regard to case (Unicode) unless CaseSensitive.
  int CompareStrings(const std::string& S1, const std::string& S2) const override;

  // Called after each change, unless a group of changes is under way.
  std::function<void(TObject* Sender)> OnChange;

 protected:
  void SetUpdateState(bool Updating) override;

 private:
  struct TStringItem {
    std::string FString;
    TObject* FObject = nullptr;
  };
  // Notifies the change of an edit that threw, unless cleared.
  struct TChangeNotice {
    TStringList* FList;
    ~TChangeNotice() {
      if (FList != nullptr) FList->ChangedAfterFailure();
    }
  };

  void Changed();
  // Changed while an exception passes, which a throwing handler must not hide.
  void ChangedAfterFailure() noexcept;
  // Inline: every access by index checks it.
  void CheckIndex(int Index) const {
    if (Index < 0 || static_cast<std::size_t>(Index) >= FList.size()) IndexError(Index);
  }
  [[noreturn]] void IndexError(int Index) const;
  [[noreturn]] void SortedError() const;
  // The line Index for EditString, checked as Put checks it.
  std::string& EditableString(int Index) {
    if (FSorted) SortedError();
    CheckIndex(Index);
    return FList[static_cast<std::size_t>(Index)].FString;
  }
  void InsertItem(int Index, const std::string& S, TObject* AObject);

  std::vector<TStringItem> FList;
  bool FSorted = false;
  bool FCaseSensitive = false;
  TDuplicates FDuplicates = dupIgnore;
};

// ---------------------------------------------------------------------------
// Class registry: classes that form files may name.

// Registers AClass under its class name; registering the same class again does
// nothing, another class of the same name raises EFilerError.
void RegisterClass(const TMetaClass& AClass);
void RegisterClasses(std::initializer_list<const TMetaClass*> AClasses);
// Removes AClass (a package unloading its classes); nothing when it is absent.
void UnRegisterClass(const TMetaClass& AClass);
// The registered class of that name (compared without regard to case), or null.
TClass GetClass(std::string_view AClassName);
// As GetClass, but raises EClassNotFound "Class X not found".
const TMetaClass& FindClass(std::string_view AClassName);

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void Classes_Initialization();
void Classes_Finalization();
