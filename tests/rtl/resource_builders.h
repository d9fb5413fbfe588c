// Hand-made resource files, version information and ELF files for the
// resource reader's tests, built field by field so that tests can corrupt any
// one of them.
#pragma once

#include <elf.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vn_test {

using TByteVector = std::vector<std::uint8_t>;

class TByteWriter {
 public:
  TByteWriter& U8(std::uint8_t V) {
    Bytes.push_back(V);
    return *this;
  }
  TByteWriter& U16(std::uint16_t V) { return U8(V & 0xFF).U8(V >> 8); }
  TByteWriter& U32(std::uint32_t V) { return U16(V & 0xFFFF).U16(V >> 16); }
  TByteWriter& Wide(const std::u16string& S, bool Terminate = true) {
    for (char16_t C : S) U16(C);
    return Terminate ? U16(0) : *this;
  }
  TByteWriter& Raw(const TByteVector& V) {
    Bytes.insert(Bytes.end(), V.begin(), V.end());
    return *this;
  }
  TByteWriter& Align4() {
    while (Bytes.size() % 4 != 0) U8(0);
    return *this;
  }

  TByteVector Bytes;
};

// A resource type or name as a resource file stores it.
struct TRawId {
  bool Ordinal;
  std::uint16_t Number;
  std::u16string Text;
};
inline TRawId Id(std::uint16_t Number) { return {true, Number, {}}; }
inline TRawId Id(std::u16string Text) { return {false, 0, std::move(Text)}; }

// One record: sizes, type, name, DWORD alignment, fixed fields, data, padding.
inline TByteVector ResRecord(const TRawId& Type, const TRawId& Name, const TByteVector& Data,
                             std::uint16_t Language = 0x0409) {
  TByteWriter Header;
  for (const TRawId* I : {&Type, &Name}) {
    if (I->Ordinal)
      Header.U16(0xFFFF).U16(I->Number);
    else
      Header.Wide(I->Text);
  }
  while ((Header.Bytes.size() + 8) % 4 != 0) Header.U8(0);
  Header.U32(0).U16(0x1030).U16(Language).U32(0).U32(0);
  TByteWriter Record;
  Record.U32(static_cast<std::uint32_t>(Data.size())).U32(static_cast<std::uint32_t>(Header.Bytes.size() + 8));
  Record.Raw(Header.Bytes).Raw(Data).Align4();
  return Record.Bytes;
}

// The empty record a resource file starts with.
inline TByteVector ResFileMarker() { return ResRecord(Id(0), Id(0), {}, 0); }

// A block of version information with its lengths computed.
struct TRawBlock {
  std::u16string Key;
  std::uint16_t Type = 0;  // 1: text
  TByteVector Value;
  std::uint16_t ValueLength = 0;  // text: characters with the terminator; binary: bytes
  std::vector<TRawBlock> Children;
};

inline TRawBlock TextBlock(std::u16string Key, const std::u16string& Text) {
  TByteWriter W;
  W.Wide(Text);
  return {std::move(Key), 1, W.Bytes, static_cast<std::uint16_t>(Text.size() + 1), {}};
}
inline TRawBlock BinaryBlock(std::u16string Key, TByteVector Value) {
  const auto Length = static_cast<std::uint16_t>(Value.size());
  return {std::move(Key), 0, std::move(Value), Length, {}};
}
inline TRawBlock ParentBlock(std::u16string Key, std::vector<TRawBlock> Children) {
  return {std::move(Key), 1, {}, 0, std::move(Children)};
}

inline TByteVector VersionBlock(const TRawBlock& Block) {
  TByteWriter W;
  W.U16(0).U16(Block.ValueLength).U16(Block.Type).Wide(Block.Key).Align4().Raw(Block.Value);
  for (const TRawBlock& Child : Block.Children) W.Align4().Raw(VersionBlock(Child));
  const auto Length = static_cast<std::uint16_t>(W.Bytes.size());
  W.Bytes[0] = Length & 0xFF;
  W.Bytes[1] = Length >> 8;
  return W.Bytes;
}

inline TByteVector FixedFileInfo(std::uint32_t VersionMS, std::uint32_t VersionLS) {
  TByteWriter W;
  W.U32(0xFEEF04BD).U32(0x10000).U32(VersionMS).U32(VersionLS).U32(VersionMS).U32(VersionLS);
  for (int I = 0; I < 7; ++I) W.U32(I == 3 ? 2 : 0);  // file type DLL
  return W.Bytes;
}

// An ELF file reduced to what a section reader looks at.
struct TElfImage {
  Elf64_Ehdr Header{};
  TByteVector Body;  // section contents, after the header
  std::vector<Elf64_Shdr> Sections;

  // Header, body, then the section headers (wherever e_shoff says they are).
  std::string Bytes() const {
    std::string Out(reinterpret_cast<const char*>(&Header), sizeof Header);
    Out.append(Body.begin(), Body.end());
    for (const Elf64_Shdr& S : Sections) Out.append(reinterpret_cast<const char*>(&S), sizeof S);
    return Out;
  }
};

struct TRawSection {
  std::string Name;
  TByteVector Data;
  std::uint32_t Type = SHT_PROGBITS;
};

// A well-formed 64-bit ELF file of this machine with these sections after the
// null section, and the section name table last.
inline TElfImage MakeElf(const std::vector<TRawSection>& Sections) {
  TElfImage Image;
  std::memcpy(Image.Header.e_ident, ELFMAG, SELFMAG);
  Image.Header.e_ident[EI_CLASS] = ELFCLASS64;
  Image.Header.e_ident[EI_DATA] = ELFDATA2LSB;
  Image.Header.e_ident[EI_VERSION] = EV_CURRENT;
  Image.Header.e_type = ET_DYN;
  Image.Header.e_machine = EM_X86_64;
  Image.Header.e_version = EV_CURRENT;
  Image.Header.e_ehsize = sizeof(Elf64_Ehdr);
  Image.Header.e_shentsize = sizeof(Elf64_Shdr);

  std::string Names(1, '\0');
  Image.Sections.push_back(Elf64_Shdr{});
  auto Add = [&](Elf64_Word NameOffset, const TByteVector& Data, std::uint32_t Type) {
    Elf64_Shdr S{};
    S.sh_name = NameOffset;
    S.sh_type = Type;
    S.sh_offset = sizeof(Elf64_Ehdr) + Image.Body.size();
    S.sh_size = Data.size();
    if (Type != SHT_NOBITS) Image.Body.insert(Image.Body.end(), Data.begin(), Data.end());
    Image.Sections.push_back(S);
  };
  std::vector<Elf64_Word> NameOffsets;
  for (const TRawSection& Section : Sections) {
    NameOffsets.push_back(static_cast<Elf64_Word>(Names.size()));
    Names += Section.Name + '\0';
  }
  const auto TableName = static_cast<Elf64_Word>(Names.size());
  Names += ".shstrtab";
  Names += '\0';
  for (std::size_t I = 0; I < Sections.size(); ++I) Add(NameOffsets[I], Sections[I].Data, Sections[I].Type);
  Image.Header.e_shstrndx = static_cast<Elf64_Half>(Image.Sections.size());
  Add(TableName, TByteVector(Names.begin(), Names.end()), SHT_STRTAB);
  Image.Header.e_shnum = static_cast<Elf64_Half>(Image.Sections.size());
  Image.Header.e_shoff = sizeof(Elf64_Ehdr) + Image.Body.size();
  return Image;
}

}  // namespace vn_test
