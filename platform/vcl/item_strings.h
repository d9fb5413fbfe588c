// The items of a combo box, list box or radio group.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "vcl/StdCtrls.h"

// Lines that tell their control of each insertion and deletion (so that an
// item index follows its item), and keep each item's selected state.
class TItemStrings : public TStrings {
  VN_DECLARE_CLASS(TItemStrings)
 public:
  TItemStrings() = default;

  int Count() const override { return static_cast<int>(FItems.size()); }
  std::string Strings(int Index) const override;
  void Put(int Index, const std::string& S) override;
  TObject* Objects(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  int Add(const std::string& S) override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;
  void Exchange(int Index1, int Index2) override;

  bool Selected(int Index) const;
  void SetSelected(int Index, bool Value);
  int SelCount() const;

  // Whether Add keeps the lines in order (without regard to case).
  bool Sorted() const noexcept { return FSorted; }
  void SetSorted(bool Value);

  // Told after a line went in at Index or out of Index, and after Clear.
  std::function<void(int Index)> OnInserted;
  std::function<void(int Index)> OnDeleted;
  std::function<void()> OnCleared;

 private:
  struct TItem {
    std::string Text;
    TObject* Object = nullptr;
    bool Selected = false;
  };
  void CheckIndex(int Index) const;

  std::vector<TItem> FItems;
  bool FSorted = false;
};
