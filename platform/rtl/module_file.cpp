// Reading the ".rsrc" section of a module file from disk.
#include "rtl/Resources.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>

#include "rtl/SysUtils.h"

namespace {

constexpr const char* SCannotOpen = "Cannot open file \"%s\". %s";
constexpr const char* SCannotRead = "Cannot read file \"%s\". %s";
constexpr const char* SNotModule = "\"%s\" is not a valid module file: %s";

constexpr std::string_view ResourceSection = ".rsrc";

// Only files of this machine's kind are read; their fields are in its byte order.
constexpr unsigned char NativeData = std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;

class TModuleFile {
 public:
  explicit TModuleFile(const std::string& AFileName)
      : FFileName(AFileName), FHandle(::open(NativeFileName(AFileName).c_str(), O_RDONLY | O_CLOEXEC)) {
    if (FHandle.Value < 0) throw EOSError(Format(SCannotOpen, {FFileName, std::strerror(errno)}));
    struct stat Info;
    if (::fstat(FHandle.Value, &Info) != 0) throw EOSError(Format(SCannotRead, {FFileName, std::strerror(errno)}));
    if (!S_ISREG(Info.st_mode)) throw EOSError(Format(SCannotOpen, {FFileName, "Not a regular file"}));
    FSize = static_cast<std::uint64_t>(Info.st_size);
  }

  TResourceList ReadResources() {
    Elf64_Ehdr Header;
    if (FSize < sizeof Header) Invalid("the file is shorter than an ELF header");
    ReadAt(0, &Header, sizeof Header);
    if (std::memcmp(Header.e_ident, ELFMAG, SELFMAG) != 0) Invalid("it has no ELF header");
    if (Header.e_ident[EI_CLASS] != ELFCLASS64) Invalid("it is not a 64-bit ELF file");
    if (Header.e_ident[EI_DATA] != NativeData) Invalid("its byte order is not this machine's");
    if (Header.e_shoff == 0) return {};  // no section headers, so no sections
    if (Header.e_shentsize != sizeof(Elf64_Shdr)) Invalid("its section header size is wrong");
    if (Header.e_shoff > FSize) Invalid("its section headers run past the end of the file");

    // Section 0 holds the real count and name-table index when they do not fit the header.
    const Elf64_Shdr First = SectionHeader(Header.e_shoff, 0);
    const std::uint64_t Count = Header.e_shnum != 0 ? Header.e_shnum : First.sh_size;
    const std::uint64_t NamesIndex = Header.e_shstrndx == SHN_XINDEX ? First.sh_link : Header.e_shstrndx;
    if (Count > (FSize - Header.e_shoff) / sizeof(Elf64_Shdr))
      Invalid("its section headers run past the end of the file");
    if (NamesIndex == SHN_UNDEF || NamesIndex >= Count) Invalid("it has no section name table");

    const Elf64_Shdr NamesHeader = SectionHeader(Header.e_shoff, NamesIndex);
    const std::vector<std::uint8_t> Names = SectionBytes(NamesHeader, NamesIndex);
    for (std::uint64_t I = 1; I < Count; ++I) {
      const Elf64_Shdr Section = SectionHeader(Header.e_shoff, I);
      if (SectionName(Names, Section, I) != ResourceSection) continue;
      const std::vector<std::uint8_t> Data = SectionBytes(Section, I);
      return ParseResources(Data, FFileName);
    }
    return {};
  }

 private:
  Elf64_Shdr SectionHeader(std::uint64_t Table, std::uint64_t Index) {
    Elf64_Shdr Result;
    const std::uint64_t Offset = Index * sizeof Result;
    if (Table > FSize || FSize - Table < Offset + sizeof Result)
      Invalid("its section headers run past the end of the file");
    ReadAt(Table + Offset, &Result, sizeof Result);
    return Result;
  }

  std::vector<std::uint8_t> SectionBytes(const Elf64_Shdr& Section, std::uint64_t Index) {
    if (Section.sh_type == SHT_NOBITS) Invalid(Format("section %d has no contents in the file", {Index}));
    if (Section.sh_offset > FSize || Section.sh_size > FSize - Section.sh_offset)
      Invalid(Format("section %d runs past the end of the file", {Index}));
    std::vector<std::uint8_t> Result(Section.sh_size);
    ReadAt(Section.sh_offset, Result.data(), Result.size());
    return Result;
  }

  std::string_view SectionName(const std::vector<std::uint8_t>& Names, const Elf64_Shdr& Section,
                               std::uint64_t Index) {
    if (Section.sh_name >= Names.size()) Invalid(Format("the name of section %d lies outside the name table", {Index}));
    const auto* Start = reinterpret_cast<const char*>(Names.data()) + Section.sh_name;
    const auto* End = static_cast<const char*>(std::memchr(Start, 0, Names.size() - Section.sh_name));
    if (End == nullptr) Invalid(Format("the name of section %d has no terminator", {Index}));
    return {Start, static_cast<std::size_t>(End - Start)};
  }

  void ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) {
    auto* Bytes = static_cast<char*>(Buffer);
    while (Count > 0) {
      const ssize_t Done = ::pread(FHandle.Value, Bytes, Count, static_cast<off_t>(Offset));
      if (Done < 0 && errno == EINTR) continue;
      if (Done < 0) throw EOSError(Format(SCannotRead, {FFileName, std::strerror(errno)}));
      // The file shrank after we measured it.
      if (Done == 0) throw EOSError(Format(SCannotRead, {FFileName, "Unexpected end of file"}));
      Bytes += Done;
      Offset += static_cast<std::uint64_t>(Done);
      Count -= static_cast<std::size_t>(Done);
    }
  }

  [[noreturn]] void Invalid(std::string_view Problem) const {
    throw EReadError(Format(SNotModule, {FFileName, Problem}));
  }

  // Closed on every way out, the constructor's too.
  struct TFileHandle {
    explicit TFileHandle(int AValue) noexcept : Value(AValue) {}
    ~TFileHandle() {
      if (Value >= 0) ::close(Value);
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    int Value;
  };

  std::string FFileName;
  TFileHandle FHandle;
  std::uint64_t FSize = 0;
};

}  // namespace

TResourceList ReadModuleResources(const std::string& FileName) { return TModuleFile(FileName).ReadResources(); }
