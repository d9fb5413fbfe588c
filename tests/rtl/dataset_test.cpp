#include <gtest/gtest.h>

#include "support/message_of.h"
#include "rtl/DB.h"
#include "rtl/FormFiles.h"

namespace {

// A dataset with two fixed columns, so that a form file can open one.
class TFixedDataSet : public TDataSet {
  VN_DECLARE_CLASS(TFixedDataSet)
 public:
  explicit TFixedDataSet(TComponent* AOwner) : TDataSet(AOwner) {}
  int Opens = 0;
  int Closes = 0;
  // Records of the wrong width, to see the dataset refuse them.
  bool Ragged = false;

 protected:
  void InternalOpen() override {
    ++Opens;
    FieldDefs().AddFieldDef("ID", ftInteger);
    FieldDefs().AddFieldDef("NAME", ftString, 30);
    if (Ragged)
      SetRecords({{Variant(1), Variant("one")}, {Variant(2)}});
    else
      SetRecords({{Variant(1), Variant("one")}, {Variant(2), Variant::Null()}});
  }
  void InternalClose() override { ++Closes; }
};

}  // namespace

VN_IMPLEMENT_CLASS(TFixedDataSet, TDataSet)

namespace {

std::string Crlf(std::string_view Text) { return StringReplaceAll(Text, "\n", "\r\n"); }

std::unique_ptr<TMemoryDataSet> People() {
  auto DataSet = std::make_unique<TMemoryDataSet>(nullptr);
  DataSet->Load({{"id", ftInteger}, {"name", ftString}, {"born", ftDateTime}},
                {{Variant(1), Variant("Ada"), Variant(1815.0)}, {Variant(2), Variant::Null(), Variant(1906.0)}});
  return DataSet;
}

TEST(DataSet, DefaultFieldsFollowTheColumnsAndLiveWhileOpen) {
  auto DataSet = People();
  ASSERT_TRUE(DataSet->Active());
  ASSERT_EQ(DataSet->FieldCount(), 3);
  EXPECT_TRUE(DataSet->Fields().Fields(0)->InheritsFrom<TIntegerField>());
  EXPECT_TRUE(DataSet->Fields().Fields(1)->InheritsFrom<TStringField>());
  EXPECT_TRUE(DataSet->Fields().Fields(2)->InheritsFrom<TDateTimeField>());
  EXPECT_EQ(DataSet->FieldByName("NAME").Index(), 1);
  EXPECT_EQ(DataSet->FindField("nothing"), nullptr);
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { DataSet->FieldByName("nothing"); }), "Field 'nothing' not found");
  EXPECT_THROW(DataSet->Fields().Fields(3), EListError);

  TField& Name = DataSet->FieldByName("name");
  EXPECT_TRUE(DataSet->Bof());
  EXPECT_EQ(Name.AsString(), "Ada");
  DataSet->Next();
  EXPECT_TRUE(Name.IsNull());
  EXPECT_EQ(DataSet->FieldByName("id").AsInteger(), 2);
  EXPECT_FALSE(DataSet->Eof());
  DataSet->Next();
  EXPECT_TRUE(DataSet->Eof());
  EXPECT_TRUE(DataSet->FieldByName("id").IsNull()) << "past the last record there is no value";
  DataSet->Next();
  EXPECT_EQ(DataSet->RecNo(), 2);
  DataSet->Prior();
  EXPECT_EQ(DataSet->FieldByName("id").AsInteger(), 2);
  DataSet->First();
  EXPECT_EQ(DataSet->FieldByName("id").AsInteger(), 1);

  DataSet->Close();
  EXPECT_EQ(DataSet->FieldCount(), 0) << "default fields go with the records";
  TStringList Names;
  DataSet->GetFieldNames(Names);
  EXPECT_EQ(Names.CommaText(), "id,name,born") << "a closed dataset still knows its columns";
  DataSet->Open();
  EXPECT_EQ(DataSet->FieldCount(), 3);
  EXPECT_EQ(DataSet->FieldByName("name").AsString(), "Ada") << "reopening gives the same records";
}

TEST(DataSet, PersistentFieldsAreUsedInsteadOfDefaultOnes) {
  TComponent Form(nullptr);
  auto* DataSet = new TFixedDataSet(&Form);
  auto* Name = new TStringField(&Form);
  Name->SetFieldName("name");
  Name->SetDataSet(DataSet);
  auto* Calc = new TStringField(&Form);
  Calc->SetFieldName("Shown");
  Calc->SetFieldKind(fkCalculated);
  Calc->SetDataSet(DataSet);

  DataSet->Open();
  EXPECT_EQ(DataSet->FieldCount(), 2);
  EXPECT_EQ(DataSet->FindField("ID"), nullptr);
  EXPECT_EQ(Name->AsString(), "one");
  EXPECT_TRUE(Calc->IsNull()) << "a calculated field has no column";

  EXPECT_THROW(Name->SetFieldName("ID"), EDatabaseError);
  EXPECT_THROW(Name->SetDataSet(nullptr), EDatabaseError);
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { Name->SetSize(5); }),
            "TFixedDataSet: cannot change Size of an open dataset");
  DataSet->Close();
  EXPECT_EQ(DataSet->FieldCount(), 2) << "persistent fields stay attached when closed";
  EXPECT_TRUE(Name->IsNull());

  // A data field whose column is missing fails the open, which leaves nothing behind.
  auto* Missing = new TIntegerField(&Form);
  Missing->SetFieldName("AGE");
  Missing->SetDataSet(DataSet);
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { DataSet->Open(); }), "Field 'AGE' not found");
  EXPECT_FALSE(DataSet->Active());
  EXPECT_EQ(DataSet->Closes, 2);

  delete Missing;
  EXPECT_EQ(DataSet->FieldCount(), 2) << "a destroyed field leaves its dataset";
  DataSet->Open();
  EXPECT_EQ(Name->AsString(), "one");
  delete DataSet;
  EXPECT_EQ(Name->DataSet(), nullptr) << "a destroyed dataset lets its fields go";
  EXPECT_TRUE(Name->IsNull());
}

TEST(DataSet, RecordsOfTheWrongWidthAreRefused) {
  TFixedDataSet DataSet(nullptr);
  DataSet.Ragged = true;
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { DataSet.Open(); }), "TFixedDataSet: record 1 holds 1 values for 2 fields");
  EXPECT_FALSE(DataSet.Active());
  EXPECT_EQ(DataSet.FieldCount(), 0);
  EXPECT_EQ(DataSet.Closes, 1);
}

TEST(DataSet, FieldDisplayLabelAndDefaultClasses) {
  TStringField Field(nullptr);
  Field.SetFieldName("CUST_NAME");
  EXPECT_EQ(Field.DisplayLabel(), "CUST_NAME");
  Field.SetDisplayLabel("Customer");
  EXPECT_EQ(Field.DisplayName(), "Customer");
  EXPECT_EQ(Field.Index(), -1);

  EXPECT_EQ(&DefaultFieldClass(ftSmallint), &TIntegerField::StaticClass());
  EXPECT_EQ(&DefaultFieldClass(ftLargeint), &TLargeintField::StaticClass());
  EXPECT_EQ(&DefaultFieldClass(ftMemo), &TMemoField::StaticClass());
  EXPECT_EQ(&DefaultFieldClass(ftBlob), &TBlobField::StaticClass());
  EXPECT_EQ(&DefaultFieldClass(ftUnknown), &TField::StaticClass());
  EXPECT_EQ(&DefaultFieldClass(ftVariant), &TField::StaticClass());
  for (const char* Name : {"TField", "TStringField", "TIntegerField", "TBlobField", "TMemoryDataSet"})
    EXPECT_NE(GetClass(Name), nullptr) << Name << " is registered when the library starts";
}

TEST(IndexDefs, LookupByNameAndByFields) {
  TIndexDefs Defs(nullptr);
  Defs.AddIndexDef("PRIMARY", "id", {ixPrimary, ixUnique});
  Defs.AddIndexDef("by_name_city", "name;city", {});
  Defs.AddIndexDef("by_name", "Name", {ixUnique});
  EXPECT_EQ(Defs.IndexOf("primary"), 0);
  EXPECT_EQ(Defs.FindIndex("nothing"), nullptr);
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { Defs.Find("nothing"); }), "Index 'nothing' not found");
  EXPECT_EQ(Defs.GetIndexForFields("NAME"), Defs.Items(2)) << "an exact match wins over a leading one";
  EXPECT_EQ(Defs.GetIndexForFields(" name ; CITY"), Defs.Items(1));
  EXPECT_EQ(Defs.GetIndexForFields("city"), nullptr);
  EXPECT_EQ(Defs.GetIndexForFields(""), nullptr);

  TFieldDefs Fields(nullptr);
  Fields.AddFieldDef("Amount", ftFloat, 0, true);
  EXPECT_EQ(Fields.IndexOf("AMOUNT"), 0);
  ASSERT_NE(Fields.Find("amount"), nullptr);
  EXPECT_TRUE(Fields.Find("amount")->Required());
  EXPECT_EQ(Fields.Find("other"), nullptr);
}

TEST(DataSet, FormFilesKeepPersistentFieldsInsideTheirDatasetAndOpenAfterLoading) {
  RegisterClass(TFixedDataSet::StaticClass());
  struct TUnregister {
    ~TUnregister() { UnRegisterClass(TFixedDataSet::StaticClass()); }
  } Unregister;

  const std::string Text = Crlf(R"(object Form1: TForm1
  object Names: TFixedDataSet
    Active = True
    object NamesNAME: TStringField
      FieldName = 'NAME'
      DisplayLabel = 'Name'
      Required = True
      Size = 30
    end
    object NamesID: TStringField
      FieldName = 'ID'
      DataType = ftInteger
    end
  end
  object Spare: TIntegerField
    FieldName = 'X'
  end
end
)");
  TComponent Root(nullptr);
  ReadComponentText(Text, Root);
  auto& Names = As<TFixedDataSet>(*Root.FindComponent("Names"));
  auto& NameField = As<TStringField>(*Root.FindComponent("NamesNAME"));
  EXPECT_TRUE(Names.Active());
  EXPECT_EQ(Names.Opens, 1);
  EXPECT_EQ(NameField.DataSet(), &Names);
  EXPECT_EQ(NameField.AsString(), "one");
  EXPECT_EQ(Names.FieldCount(), 2);
  EXPECT_EQ(Names.FieldByName("ID").DataType(), ftInteger);
  EXPECT_EQ(As<TField>(Root.FindComponent("Spare"))->DataSet(), nullptr);
  EXPECT_EQ(WriteComponentText(Root, "TForm1"), Text);
}

}  // namespace
