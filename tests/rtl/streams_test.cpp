#include "rtl/Classes.h"

#include <gtest/gtest.h>

#include "support/message_of.h"
#include "rtl/SysUtils.h"

namespace {

TEST(StreamsTest, StringStreamReadsWritesAndSeeksOverItsString) {
  TStringStream S("hello world");
  EXPECT_EQ(S.ReadString(5), "hello");
  // Writing in the middle overwrites; what follows stays.
  S.WriteString("_W");
  EXPECT_EQ(S.DataString(), "hello_World");
  S.Seek(-2, soEnd);
  S.WriteString("LD and more");
  EXPECT_EQ(S.DataString(), "hello_WorLD and more");
  EXPECT_EQ(S.Position(), S.Size());
  EXPECT_EQ(S.ReadString(10), "");
  EXPECT_EQ(S.Seek(-100, soCurrent), 0);
  EXPECT_EQ(S.Seek(100, soBeginning), S.Size());
  S.SetPosition(6);
  char Buffer[32] = {};
  EXPECT_EQ(S.Read(Buffer, sizeof Buffer), 14);
  EXPECT_EQ(std::string(Buffer, 14), "WorLD and more");
}

TEST(StreamsTest, BufferCallsRaiseWhenNotEverythingMoves) {
  TStringStream S("abc");
  char Buffer[8];
  S.ReadBuffer(Buffer, 2);
  EXPECT_EQ(MessageOf<EReadError>([&] { S.ReadBuffer(Buffer, 2); }), "Stream read error");
  EXPECT_NO_THROW(S.ReadBuffer(Buffer, 0));
  struct TFullStream : TStringStream {
    std::int64_t Write(const void*, std::int64_t Count) override { return Count / 2; }
  } Full;
  EXPECT_EQ(MessageOf<EWriteError>([&] { Full.WriteBuffer("abcd", 4); }), "Stream write error");
  EXPECT_THROW(Full.WriteBuffer("abcd", -1), EWriteError);
}

}  // namespace
