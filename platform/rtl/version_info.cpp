// Version information: a tree of blocks, each a length, a value length, a
// type, a UTF-16 key, a DWORD-aligned value and DWORD-aligned child blocks.
#include "rtl/Resources.h"

#include <iterator>

#include "res_bytes.h"
#include "rtl/SysUtils.h"

using res_bytes::TBytes;

namespace {

constexpr const char* SInvalidVersionInfo = "Invalid version information in \"%s\": %s";

constexpr std::size_t BlockHeaderSize = 6;  // wLength, wValueLength, wType
constexpr std::size_t FixedFileInfoSize = 13 * 4;
// Real version information nests four deep; the limit keeps hostile data
// from exhausting the stack.
constexpr int MaxDepth = 16;

class TVersionParser {
 public:
  TVersionParser(TBytes AData, std::string_view ASourceName) : FData(AData), FSourceName(ASourceName) {}

  TVersionBlock ParseRoot() {
    if (FData.size() < BlockHeaderSize) Fail(0, "the data is too short");
    const std::size_t End = ParseEnd(0, FData.size());
    TVersionBlock Root = ParseBlock(0, End, 0);
    if (Root.Key != "VS_VERSION_INFO") Fail(0, "the root block is not VS_VERSION_INFO");
    if (!Root.Value.empty()) {
      if (Root.Value.size() != FixedFileInfoSize) Fail(0, "the fixed part has the wrong size");
      if (res_bytes::DWord(Root.Value, 0) != VS_FFI_SIGNATURE) Fail(0, "the fixed part has the wrong signature");
    }
    return Root;
  }

 private:
  // Where the block at Offset ends; it must end within Limit.
  std::size_t ParseEnd(std::size_t Offset, std::size_t Limit) {
    const std::uint16_t Length = res_bytes::Word(FData, Offset);
    if (Length < BlockHeaderSize || Length > Limit - Offset) Fail(Offset, "the block's length does not fit");
    return Offset + Length;
  }

  TVersionBlock ParseBlock(std::size_t Offset, std::size_t End, int Depth) {
    if (Depth > MaxDepth) Fail(Offset, "blocks are nested too deeply");
    TVersionBlock Block;
    const std::uint16_t ValueLength = res_bytes::Word(FData, Offset + 2);
    const std::uint16_t Type = res_bytes::Word(FData, Offset + 4);
    if (Type > 1) Fail(Offset, "the block's type is neither text nor binary");
    Block.IsText = Type == 1;

    const std::size_t KeyStart = Offset + BlockHeaderSize;
    const std::size_t KeyEnd = res_bytes::FindWideTerminator(FData, KeyStart, End);
    if (KeyEnd == End) Fail(Offset, "the block's key has no terminator");
    Block.Key = res_bytes::WideToUtf8(FData, KeyStart, KeyEnd);

    // A text value's length counts UTF-16 characters, a binary one's bytes.
    const std::size_t ValueStart = res_bytes::AlignDWord(KeyEnd + 2);
    const std::size_t ValueBytes = Block.IsText ? std::size_t{ValueLength} * 2 : ValueLength;
    if (ValueBytes > 0) {
      if (ValueStart > End || ValueBytes > End - ValueStart) Fail(Offset, "the block's value runs past its end");
      const TBytes Value = FData.subspan(ValueStart, ValueBytes);
      Block.Value.assign(Value.begin(), Value.end());
    }

    std::size_t Child = res_bytes::AlignDWord(ValueStart + ValueBytes);
    // Fewer bytes than a block header are alignment padding.
    while (Child < End && End - Child >= BlockHeaderSize) {
      const std::size_t ChildEnd = ParseEnd(Child, End);
      Block.Children.push_back(ParseBlock(Child, ChildEnd, Depth + 1));
      Child = res_bytes::AlignDWord(ChildEnd);
    }
    return Block;
  }

  [[noreturn]] void Fail(std::size_t Offset, std::string_view Problem) const {
    throw EReadError(Format(SInvalidVersionInfo,
                            {FSourceName, Format("%s (offset %d)", {Problem, static_cast<std::uint64_t>(Offset)})}));
  }

  TBytes FData;
  std::string_view FSourceName;
};

}  // namespace

std::string TVersionBlock::Text() const {
  const std::size_t End = res_bytes::FindWideTerminator(Value, 0, Value.size() & ~std::size_t{1});
  return res_bytes::WideToUtf8(Value, 0, End);
}

TVersionInfo::TVersionInfo(std::span<const std::uint8_t> Data, std::string_view SourceName)
    : FRoot(TVersionParser(Data, SourceName).ParseRoot()) {}

const TVersionBlock* TVersionInfo::Query(std::string_view SubBlock) const {
  const TVersionBlock* Block = &FRoot;
  while (!SubBlock.empty()) {
    const std::size_t Separator = SubBlock.find('\\');
    const std::string_view Key = SubBlock.substr(0, Separator);
    SubBlock = Separator == std::string_view::npos ? std::string_view() : SubBlock.substr(Separator + 1);
    if (Key.empty()) continue;
    const TVersionBlock* Found = nullptr;
    for (const TVersionBlock& Child : Block->Children)
      if (AnsiSameText(Child.Key, Key)) {
        Found = &Child;
        break;
      }
    if (Found == nullptr) return nullptr;
    Block = Found;
  }
  return Block;
}

bool TVersionInfo::QueryString(std::string_view SubBlock, std::string& Value) const {
  const TVersionBlock* Block = Query(SubBlock);
  if (Block == nullptr || !Block->IsText || Block == &FRoot) return false;
  Value = Block->Text();
  return true;
}

bool TVersionInfo::FixedFileInfo(VS_FIXEDFILEINFO& Info) const {
  if (FRoot.Value.empty()) return false;
  const TBytes V = FRoot.Value;
  std::uint32_t* Fields[] = {&Info.dwSignature,     &Info.dwStrucVersion,     &Info.dwFileVersionMS,
                             &Info.dwFileVersionLS, &Info.dwProductVersionMS, &Info.dwProductVersionLS,
                             &Info.dwFileFlagsMask, &Info.dwFileFlags,        &Info.dwFileOS,
                             &Info.dwFileType,      &Info.dwFileSubtype,      &Info.dwFileDateMS,
                             &Info.dwFileDateLS};
  static_assert(std::size(Fields) * 4 == FixedFileInfoSize);
  for (std::size_t I = 0; I < std::size(Fields); ++I) *Fields[I] = res_bytes::DWord(V, I * 4);
  return true;
}

std::vector<TTranslation> TVersionInfo::Translations() const {
  std::vector<TTranslation> Result;
  const TVersionBlock* Block = Query("\\VarFileInfo\\Translation");
  if (Block == nullptr) return Result;
  const TBytes V = Block->Value;
  for (std::size_t I = 0; I + 4 <= V.size(); I += 4)
    Result.push_back({res_bytes::Word(V, I), res_bytes::Word(V, I + 2)});
  return Result;
}
