// vn_resgen bitmap PICTURE BMP
// vn_resgen form FORMTEXT OUTPUT
//
// bitmap turns a palette picture written as text into a 4-bit bitmap file for
// the resource compiler. The picture is one line per pixel row, top row first,
// one character per pixel naming a colour of the standard 16-colour palette
// (see Legend below). Lines starting with ';' are comments; blank lines are
// skipped.
//
// form copies a form description, replacing each line `Name = {bitmap 'x.txt'}`
// by the binary picture value of the picture x.txt (beside the form text) drawn
// at 8 bits per pixel, as a form file stores a picture's data.
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct TColor {
  char Symbol;
  std::uint8_t R, G, B;
};

// Dark colours are lower case, their bright partners upper case; silver, the
// usual palette background, is the quiet '.'.
constexpr std::array<TColor, 16> Legend = {{
    {'#', 0x00, 0x00, 0x00},  // black
    {'r', 0x80, 0x00, 0x00},  // maroon
    {'g', 0x00, 0x80, 0x00},  // green
    {'y', 0x80, 0x80, 0x00},  // olive
    {'b', 0x00, 0x00, 0x80},  // navy
    {'m', 0x80, 0x00, 0x80},  // purple
    {'c', 0x00, 0x80, 0x80},  // teal
    {'.', 0xC0, 0xC0, 0xC0},  // silver
    {':', 0x80, 0x80, 0x80},  // gray
    {'R', 0xFF, 0x00, 0x00},  // red
    {'G', 0x00, 0xFF, 0x00},  // lime
    {'Y', 0xFF, 0xFF, 0x00},  // yellow
    {'B', 0x00, 0x00, 0xFF},  // blue
    {'M', 0xFF, 0x00, 0xFF},  // fuchsia
    {'C', 0x00, 0xFF, 0xFF},  // aqua
    {'W', 0xFF, 0xFF, 0xFF},  // white
}};

int ColorIndex(char Symbol) {
  for (std::size_t I = 0; I < Legend.size(); ++I)
    if (Legend[I].Symbol == Symbol) return static_cast<int>(I);
  return -1;
}

void PutWord(std::string& Out, std::uint32_t Value) {
  Out += static_cast<char>(Value & 0xFF);
  Out += static_cast<char>(Value >> 8 & 0xFF);
}
void PutDWord(std::string& Out, std::uint32_t Value) {
  PutWord(Out, Value & 0xFFFF);
  PutWord(Out, Value >> 16);
}

struct TPicture {
  std::vector<std::string> Rows;
};

bool ReadPicture(const std::string& FileName, TPicture& Picture, std::string& Error) {
  std::ifstream In(FileName);
  if (!In) {
    Error = "cannot open";
    return false;
  }
  std::string Line;
  for (int LineNo = 1; std::getline(In, Line); ++LineNo) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    if (Line.empty() || Line.front() == ';') continue;
    for (std::size_t X = 0; X < Line.size(); ++X)
      if (ColorIndex(Line[X]) < 0) {
        Error = "line " + std::to_string(LineNo) + ", column " + std::to_string(X + 1) + ": '" + Line[X] +
                "' is not a palette colour";
        return false;
      }
    if (!Picture.Rows.empty() && Line.size() != Picture.Rows.front().size()) {
      Error = "line " + std::to_string(LineNo) + " has " + std::to_string(Line.size()) + " pixels, the first row " +
              std::to_string(Picture.Rows.front().size());
      return false;
    }
    Picture.Rows.push_back(Line);
  }
  if (Picture.Rows.empty()) {
    Error = "the picture has no rows";
    return false;
  }
  return true;
}

// A bitmap file of 4 or 8 bits per pixel: file header, BITMAPINFOHEADER, 16
// colours, pixel rows bottom-up, each padded to whole DWORDs.
std::string BitmapFile(const TPicture& Picture, std::uint16_t BitsPerPixel) {
  const auto Width = static_cast<std::uint32_t>(Picture.Rows.front().size());
  const auto Height = static_cast<std::uint32_t>(Picture.Rows.size());
  const std::uint32_t Stride = (Width * BitsPerPixel + 31) / 32 * 4;
  const std::uint32_t Bits = 14 + 40 + 16 * 4;
  std::string Out = "BM";
  PutDWord(Out, Bits + Stride * Height);
  PutDWord(Out, 0);
  PutDWord(Out, Bits);
  PutDWord(Out, 40);
  PutDWord(Out, Width);
  PutDWord(Out, Height);  // positive: bottom-up
  PutWord(Out, 1);         // planes
  PutWord(Out, BitsPerPixel);
  PutDWord(Out, 0);        // BI_RGB
  PutDWord(Out, Stride * Height);
  PutDWord(Out, 0);
  PutDWord(Out, 0);
  PutDWord(Out, 16);  // colours used
  PutDWord(Out, 0);   // all of them important
  for (const TColor& C : Legend) Out += {static_cast<char>(C.B), static_cast<char>(C.G), static_cast<char>(C.R), 0};
  for (std::uint32_t Y = Height; Y-- > 0;) {
    std::string Row(Stride, '\0');
    for (std::uint32_t X = 0; X < Width; ++X) {
      const auto Index = static_cast<unsigned>(ColorIndex(Picture.Rows[Y][X]));
      if (BitsPerPixel == 8)
        Row[X] = static_cast<char>(Index);
      else
        Row[X / 2] = static_cast<char>(Row[X / 2] | (X % 2 == 0 ? Index << 4 : Index));
    }
    Out += Row;
  }
  return Out;
}

// A picture's data as a form file holds it: the class name after its length,
// the bitmap file's size, the file; in hexadecimal, 32 bytes a line.
std::string PictureValue(const std::string& Bitmap, const std::string& Indent) {
  std::string Data = "\x07TBitmap";
  PutDWord(Data, static_cast<std::uint32_t>(Bitmap.size()));
  Data += Bitmap;
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string Out = "{";
  for (std::size_t I = 0; I < Data.size(); ++I) {
    if (I % 32 == 0) Out += "\n" + Indent + "  ";
    const auto Byte = static_cast<unsigned char>(Data[I]);
    Out += Digits[Byte >> 4];
    Out += Digits[Byte & 0xF];
  }
  return Out + "}";
}

bool ExpandForm(const std::string& Source, std::string& Out, std::string& Error) {
  std::ifstream In(Source);
  if (!In) {
    Error = "cannot open";
    return false;
  }
  static const std::regex PictureLine(R"(^(\s*)([A-Za-z_][A-Za-z0-9_.]*) = \{bitmap '([^']+)'\}\s*$)");
  const std::filesystem::path Folder = std::filesystem::path(Source).parent_path();
  std::string Line;
  for (int LineNo = 1; std::getline(In, Line); ++LineNo) {
    std::smatch Match;
    if (!std::regex_match(Line, Match, PictureLine)) {
      Out += Line + "\n";
      continue;
    }
    TPicture Picture;
    const std::string PictureFile = (Folder / Match[3].str()).string();
    if (!ReadPicture(PictureFile, Picture, Error)) {
      Error = "line " + std::to_string(LineNo) + ": " + PictureFile + ": " + Error;
      return false;
    }
    Out += Match[1].str() + Match[2].str() + " = " + PictureValue(BitmapFile(Picture, 8), Match[1].str()) + "\n";
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string Mode = argc == 4 ? argv[1] : "";
  if (Mode != "bitmap" && Mode != "form") {
    std::cerr << "usage: vn_resgen bitmap PICTURE.txt OUTPUT.bmp\n"
                 "       vn_resgen form FORM.txt OUTPUT.vfm\n";
    return 2;
  }
  const std::string Source = argv[2], Target = argv[3];
  std::string Bytes, Error;
  if (Mode == "bitmap") {
    TPicture Picture;
    if (ReadPicture(Source, Picture, Error)) Bytes = BitmapFile(Picture, 4);
  } else {
    ExpandForm(Source, Bytes, Error);
  }
  if (!Error.empty()) {
    std::cerr << Source << ": " << Error << '\n';
    return 1;
  }
  std::ofstream Out(Target, std::ios::binary | std::ios::trunc);
  Out << Bytes;
  Out.close();
  if (!Out) {
    std::cerr << Target << ": cannot write\n";
    std::remove(Target.c_str());
    return 1;
  }
  return 0;
}
