#include "rtl/Classes.h"

#include <algorithm>
#include <cstring>

#include "rtl/SysUtils.h"
#include "rtl_consts.h"

VN_IMPLEMENT_CLASS(TStream, TObject)
VN_IMPLEMENT_CLASS(TStringStream, TStream)

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  if (Count < 0 || (Count != 0 && Read(Buffer, Count) != Count)) throw EReadError(rtl_consts::SReadError);
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  if (Count < 0 || (Count != 0 && Write(Buffer, Count) != Count)) throw EWriteError(rtl_consts::SWriteError);
}

std::int64_t TStream::Position() { return Seek(0, soCurrent); }

void TStream::SetPosition(std::int64_t Pos) { Seek(Pos, soBeginning); }

std::int64_t TStream::Size() {
  const std::int64_t Pos = Seek(0, soCurrent);
  const std::int64_t Result = Seek(0, soEnd);
  Seek(Pos, soBeginning);
  return Result;
}

std::int64_t TStringStream::Read(void* Buffer, std::int64_t Count) {
  if (Count <= 0 || FPosition >= FDataString.size()) return 0;
  const auto N = std::min(static_cast<std::size_t>(Count), FDataString.size() - FPosition);
  std::memcpy(Buffer, FDataString.data() + FPosition, N);
  FPosition += N;
  return static_cast<std::int64_t>(N);
}

std::int64_t TStringStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  const auto N = static_cast<std::size_t>(Count);
  // Overwrites in place and grows at the end; what lies after the written bytes stays.
  if (FPosition + N > FDataString.size()) FDataString.resize(FPosition + N);
  std::memcpy(FDataString.data() + FPosition, Buffer, N);
  FPosition += N;
  return Count;
}

std::int64_t TStringStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  const auto Size = static_cast<std::int64_t>(FDataString.size());
  std::int64_t Base = 0;
  switch (Origin) {
    case soBeginning: Base = 0; break;
    case soCurrent: Base = static_cast<std::int64_t>(FPosition); break;
    case soEnd: Base = Size; break;
  }
  // The position stays within the string; a seek outside it stops at its edge.
  std::int64_t Target;
  if (__builtin_add_overflow(Base, Offset, &Target)) Target = Offset < 0 ? 0 : Size;
  FPosition = static_cast<std::size_t>(std::clamp<std::int64_t>(Target, 0, Size));
  return static_cast<std::int64_t>(FPosition);
}

std::string TStringStream::ReadString(std::int64_t Count) {
  if (Count <= 0 || FPosition >= FDataString.size()) return {};
  const auto N = std::min(static_cast<std::size_t>(Count), FDataString.size() - FPosition);
  std::string Result = FDataString.substr(FPosition, N);
  FPosition += N;
  return Result;
}

void TStringStream::WriteString(std::string_view S) {
  Write(S.data(), static_cast<std::int64_t>(S.size()));
}
