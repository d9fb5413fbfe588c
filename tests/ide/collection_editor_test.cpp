#include "ide/ColnEdit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "form_designer.h"
#include "rtl/DB.h"
#include "support/recording_driver.h"

namespace {

std::vector<std::string> Names(const TParams& Params) {
  std::vector<std::string> Result;
  for (int I = 0; I < Params.Count(); ++I) Result.push_back(Params.Items(I)->DisplayName());
  return Result;
}

TEST(CollectionEditorTest, ItemsAreAddedDeletedAndMovedOnlyAsTheOptionsAllow) {
  struct TCase {
    TColOptions Options;
    const char* Script;
    std::vector<std::string> Items;
    std::size_t Errors;
  };
  const TCase Cases[] = {
      {{}, "click btAdd\nselect lbItems #0\nclick btDelete\nclick btMoveDown\nclick btClose\n", {"A", "B"}, 3},
      {{coAdd}, "click btAdd\nclick btDelete\nclick btClose\n", {"A", "B", "TParam"}, 1},
      {{coDelete}, "select lbItems #0\nclick btDelete\nclick btClose\n", {"B"}, 0},
      {{coMove}, "select lbItems #0\nclick btMoveDown\nclick btMoveDown\nclick btClose\n", {"B", "A"}, 1},
      {{coAdd, coDelete}, "select lbItems #1\nclick btMoveUp\nclick btDelete\nclick btClose\n", {"A"}, 1},
  };
  for (const TCase& C : Cases) {
    TComponent Root(nullptr);
    Root.SetName("Form1");
    TComponent Query(&Root);
    Query.SetName("Query1");
    TParams Params;
    Params.CreateParam(ftString, "A", ptInput);
    Params.CreateParam(ftString, "B", ptInput);
    vn_ide::TFormDesigner Designer(Root);
    vn_test::TScriptScope Scope(C.Script);
    ShowCollectionEditorClass(&Designer, TCollectionEditor::StaticClass(), Query, Params, "Params", C.Options);
    EXPECT_EQ(Names(Params), C.Items) << C.Script;
    EXPECT_EQ(Scope.Driver.ErrorCount(), C.Errors) << Scope.Driver.Output();
    EXPECT_EQ(Designer.IsModified(), C.Items != (std::vector<std::string>{"A", "B"})) << C.Script;
    EXPECT_EQ(Scope.Driver.Shown, std::vector<std::string>{"CollectionEditor \"Editing Query1.Params\""});
  }
}

TEST(CollectionEditorTest, OnlyCollectionEditorClassesAreShown) {
  TComponent Query(nullptr);
  TParams Params;
  EXPECT_THROW(ShowCollectionEditorClass(nullptr, TForm::StaticClass(), Query, Params, "Params", {}), EInvalidCast);
}

}  // namespace
