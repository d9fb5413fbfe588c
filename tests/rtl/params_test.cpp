#include "rtl/DB.h"

#include <gtest/gtest.h>

#include "support/message_of.h"

namespace {

std::vector<std::string> ParamNames(const TParams& Params) {
  std::vector<std::string> Result;
  for (int I = 0; I < Params.Count(); ++I) Result.push_back(Params.Items(I)->Name());
  return Result;
}

TEST(ParamsTest, TypedSettersSetTheDataType) {
  TParam P;
  EXPECT_TRUE(P.IsNull());
  EXPECT_EQ(P.AsString(), "");
  P.SetAsInteger(7);
  EXPECT_EQ(P.DataType(), ftInteger);
  EXPECT_EQ(P.AsString(), "7");
  P.SetAsString("2.5");
  EXPECT_EQ(P.DataType(), ftString);
  EXPECT_EQ(P.AsFloat(), 2.5);
  P.SetAsFloat(1.5);
  EXPECT_EQ(P.DataType(), ftFloat);
  P.SetAsBoolean(true);
  EXPECT_EQ(P.DataType(), ftBoolean);
  EXPECT_TRUE(P.AsBoolean());
  P.Clear();
  EXPECT_TRUE(P.IsNull());
  EXPECT_EQ(P.Value(), Variant::Null());
  EXPECT_EQ(P.DataType(), ftBoolean);

  // Value takes the data type from the value only while the type is unknown.
  TParam Q;
  Q.SetValue(Variant::Null());
  EXPECT_EQ(Q.DataType(), ftUnknown);
  Q.SetValue(3.0);
  EXPECT_EQ(Q.DataType(), ftFloat);
  Q.SetValue("x");
  EXPECT_EQ(Q.DataType(), ftFloat);
  EXPECT_EQ(Q.DisplayName(), "TParam");
  Q.SetName("Id");
  EXPECT_EQ(Q.DisplayName(), "Id");

  EXPECT_EQ(GetEnumName(TypeInfo<TFieldType>(), ftWideMemo), "ftWideMemo");
  EXPECT_EQ(GetEnumValue(TypeInfo<TParamType>(), "ptResult"), ptResult);
  EXPECT_EQ(GetPropText(Q, FindPropInfo(Q, "DataType")), "ftFloat");
}

TEST(ParamsTest, FindByNameAssignAndAssignValues) {
  TParams Params;
  TParam& Id = Params.CreateParam(ftInteger, "Id", ptInput);
  Params.CreateParam(ftString, "Name", ptUnknown);
  Params.AddParam(std::make_unique<TParam>(nullptr, "Größe", ptOutput));
  EXPECT_EQ(ParamNames(Params), (std::vector<std::string>{"Id", "Name", "Größe"}));
  EXPECT_EQ(Params.FindParam("ID"), &Id);
  EXPECT_EQ(Params.FindParam("GRÖßE"), Params.Items(2));
  EXPECT_EQ(Params.FindParam("Missing"), nullptr);
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { Params.ParamByName("Missing"); }), "Parameter 'Missing' not found");
  EXPECT_EQ(&Params.ParamByName("name"), Params.Items(1));

  TParams Values;
  Values.CreateParam(ftUnknown, "name", ptOutput).SetAsString("Ann");
  Values.CreateParam(ftUnknown, "Other", ptInput).SetAsInteger(1);
  Params.AssignValues(Values);
  const TParam& Name = Params.ParamByName("Name");
  EXPECT_EQ(Name.AsString(), "Ann");
  EXPECT_EQ(Name.DataType(), ftString);
  EXPECT_EQ(Name.ParamType(), ptOutput);
  EXPECT_EQ(Name.Name(), "name");
  EXPECT_EQ(Params.Count(), 3);

  // Assigning keeps a known parameter type and copies a null as null.
  Id.SetAsInteger(5);
  TParam Null(nullptr, "N", ptOutput);
  Null.Clear();
  Id.Assign(Null);
  EXPECT_TRUE(Id.IsNull());
  EXPECT_EQ(Id.ParamType(), ptInput);
  // ... and an unassigned value as unassigned, not as a null someone chose.
  Id.Assign(TParam(nullptr, "U", ptInput));
  EXPECT_TRUE(Id.Value().IsEmpty());

  TParams Copy;
  Copy.Assign(Params);
  EXPECT_EQ(ParamNames(Copy), ParamNames(Params));
  EXPECT_EQ(Copy.Items(1)->AsString(), "Ann");
}

TEST(ParamsTest, ParseSQLFindsParametersOutsideLiteralsAndComments) {
  TParams Params;
  const std::string SQL =
      "select a::int, ':no', \"x:y\", `q:z` -- :c\n"
      "from t /* :d */ where a = :A and b=:b_2 and c = :\"long name\" and d=:A; x := 1: y";
  EXPECT_EQ(Params.ParseSQL(SQL, true),
            "select a::int, ':no', \"x:y\", `q:z` -- :c\n"
            "from t /* :d */ where a = ? and b=? and c = ? and d=?; x := 1: y");
  EXPECT_EQ(ParamNames(Params), (std::vector<std::string>{"A", "b_2", "long name", "A"}));

  TParams None;
  EXPECT_EQ(None.ParseSQL("select :x, ':it''s :y', :\"a\"\"b\"", false), "select ?, ':it''s :y', ?");
  EXPECT_EQ(None.Count(), 0);
  EXPECT_EQ(None.ParseSQL("select :\"a\"\"b\"", true), "select ?");
  EXPECT_EQ(None.Items(0)->Name(), "a\"b");
  // Unterminated and empty quoted names, and a lone colon, are left as SQL.
  EXPECT_EQ(None.ParseSQL("x = :\"open", false), "x = :\"open");
  EXPECT_EQ(None.ParseSQL("x = :\"\" and ':", false), "x = :\"\" and ':");
  EXPECT_EQ(None.ParseSQL("x :", false), "x :");
  EXPECT_EQ(None.ParseSQL("/* open :a", false), "/* open :a");
  EXPECT_EQ(None.ParseSQL("a = :ä1", false), "a = ?");
}

}  // namespace
