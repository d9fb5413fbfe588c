#include "rtl/Resources.h"

#include "res_bytes.h"
#include "rtl/SysUtils.h"

using res_bytes::TBytes;

namespace {

constexpr const char* SInvalidResources = "Invalid resource data in \"%s\": %s";

// Fixed fields after a record's type and name: data version, memory flags,
// language, version, characteristics.
constexpr std::size_t FixedHeaderTail = 16;

void AppendUtf8(std::string& S, std::uint32_t C) {
  if (C < 0x80) {
    S += static_cast<char>(C);
  } else if (C < 0x800) {
    S += static_cast<char>(0xC0 | C >> 6);
    S += static_cast<char>(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    S += static_cast<char>(0xE0 | C >> 12);
    S += static_cast<char>(0x80 | (C >> 6 & 0x3F));
    S += static_cast<char>(0x80 | (C & 0x3F));
  } else {
    S += static_cast<char>(0xF0 | C >> 18);
    S += static_cast<char>(0x80 | (C >> 12 & 0x3F));
    S += static_cast<char>(0x80 | (C >> 6 & 0x3F));
    S += static_cast<char>(0x80 | (C & 0x3F));
  }
}

class TResParser {
 public:
  TResParser(TBytes AData, std::string_view ASourceName) : FData(AData), FSourceName(ASourceName) {}

  TResourceList Parse() {
    TResourceList Result;
    std::size_t Offset = 0;
    while (Offset < FData.size() && !OnlyPaddingFrom(Offset)) {
      if (FData.size() - Offset < 8) Fail(Offset, "a record header is cut off");
      const std::uint32_t DataSize = res_bytes::DWord(FData, Offset);
      const std::uint32_t HeaderSize = res_bytes::DWord(FData, Offset + 4);
      const std::size_t Left = FData.size() - Offset;
      if (HeaderSize < 8) Fail(Offset, "the record header is too short");
      if (HeaderSize > Left || DataSize > Left - HeaderSize)
        Fail(Offset, "the record's sizes run past the end of the data");
      const std::size_t HeaderEnd = Offset + HeaderSize;
      std::size_t P = Offset + 8;
      TResourceId Type = ReadId(P, HeaderEnd);
      TResourceId Name = ReadId(P, HeaderEnd);
      P = res_bytes::AlignDWord(P);
      if (P > HeaderEnd || HeaderEnd - P < FixedHeaderTail) Fail(Offset, "the record header is too short");
      const std::uint16_t Language = res_bytes::Word(FData, P + 6);
      const auto Data = FData.subspan(HeaderEnd, DataSize);
      // The leading empty record with type 0 marks a 32-bit resource file.
      if (!(Type.IsOrdinal() && Type.Ordinal() == 0))
        Result.push_back(TResource{std::move(Type), std::move(Name), Language, {Data.begin(), Data.end()}});
      Offset = res_bytes::AlignDWord(HeaderEnd + DataSize);
    }
    return Result;
  }

 private:
  // A type or name: 0xFFFF and a number, or zero-terminated UTF-16 text.
  TResourceId ReadId(std::size_t& P, std::size_t End) {
    if (End - P < 2) Fail(P, "a type or name is cut off");
    if (res_bytes::Word(FData, P) == 0xFFFF) {
      if (End - P < 4) Fail(P, "a numeric type or name is cut off");
      const std::uint16_t Ordinal = res_bytes::Word(FData, P + 2);
      P += 4;
      return TResourceId(Ordinal);
    }
    const std::size_t Terminator = res_bytes::FindWideTerminator(FData, P, End);
    if (Terminator == End) Fail(P, "a type or name has no terminator inside the record header");
    std::string Text = res_bytes::WideToUtf8(FData, P, Terminator);
    P = Terminator + 2;
    return TResourceId(std::move(Text));
  }

  // Zero bytes after the last record: alignment of the section that holds them.
  bool OnlyPaddingFrom(std::size_t Offset) const noexcept {
    for (std::size_t I = Offset; I < FData.size(); ++I)
      if (FData[I] != 0) return false;
    return true;
  }

  [[noreturn]] void Fail(std::size_t Offset, std::string_view Problem) const {
    throw EReadError(Format(SInvalidResources,
                            {FSourceName, Format("%s (offset %d)", {Problem, static_cast<std::uint64_t>(Offset)})}));
  }

  TBytes FData;
  std::string_view FSourceName;
};

}  // namespace

std::string res_bytes::WideToUtf8(TBytes Data, std::size_t Offset, std::size_t End) {
  std::string Result;
  for (std::size_t I = Offset; I + 2 <= End; I += 2) {
    std::uint32_t C = Word(Data, I);
    if (C >= 0xD800 && C <= 0xDBFF && I + 4 <= End) {
      const std::uint32_t Low = Word(Data, I + 2);
      if (Low >= 0xDC00 && Low <= 0xDFFF) {
        C = 0x10000 + ((C - 0xD800) << 10) + (Low - 0xDC00);
        I += 2;
      }
    }
    if (C >= 0xD800 && C <= 0xDFFF) C = 0xFFFD;
    AppendUtf8(Result, C);
  }
  return Result;
}

bool TResourceId::Matches(const TResourceId& Other) const {
  if (FIsOrdinal != Other.FIsOrdinal) return false;
  return FIsOrdinal ? FOrdinal == Other.FOrdinal : AnsiSameText(FName, Other.FName);
}

std::string TResourceId::ToString() const { return FIsOrdinal ? "#" + IntToStr(FOrdinal) : FName; }

TResourceList ParseResources(std::span<const std::uint8_t> Data, std::string_view SourceName) {
  return TResParser(Data, SourceName).Parse();
}

const TResource* FindResource(const TResourceList& Resources, const TResourceId& Type, const TResourceId& Name) {
  for (const TResource& R : Resources)
    if (R.Type.Matches(Type) && R.Name.Matches(Name)) return &R;
  return nullptr;
}

std::string WideText(std::span<const std::uint8_t> Data) {
  const std::size_t End = Data.size() & ~std::size_t{1};
  return res_bytes::WideToUtf8(Data, 0, res_bytes::FindWideTerminator(Data, 0, End));
}
