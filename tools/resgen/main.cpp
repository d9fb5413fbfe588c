// vn_resgen bitmap PICTURE BMP
//
// Turns a palette picture written as text into a 4-bit bitmap file for the
// resource compiler. The picture is one line per pixel row, top row first, one
// character per pixel naming a colour of the standard 16-colour palette (see
// Legend below). Lines starting with ';' are comments; blank lines are skipped.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
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

// A bitmap file: file header, BITMAPINFOHEADER, 16 colours, pixel rows
// bottom-up, each padded to whole DWORDs.
std::string BitmapFile(const TPicture& Picture) {
  const auto Width = static_cast<std::uint32_t>(Picture.Rows.front().size());
  const auto Height = static_cast<std::uint32_t>(Picture.Rows.size());
  const std::uint32_t Stride = (Width * 4 + 31) / 32 * 4;
  const std::uint32_t Bits = 14 + 40 + 16 * 4;
  std::string Out = "BM";
  PutDWord(Out, Bits + Stride * Height);
  PutDWord(Out, 0);
  PutDWord(Out, Bits);
  PutDWord(Out, 40);
  PutDWord(Out, Width);
  PutDWord(Out, Height);  // positive: bottom-up
  PutWord(Out, 1);         // planes
  PutWord(Out, 4);         // bits per pixel
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
      Row[X / 2] = static_cast<char>(Row[X / 2] | (X % 2 == 0 ? Index << 4 : Index));
    }
    Out += Row;
  }
  return Out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || std::string(argv[1]) != "bitmap") {
    std::cerr << "usage: vn_resgen bitmap PICTURE.txt OUTPUT.bmp\n";
    return 2;
  }
  const std::string Source = argv[2], Target = argv[3];
  TPicture Picture;
  std::string Error;
  if (!ReadPicture(Source, Picture, Error)) {
    std::cerr << Source << ": " << Error << '\n';
    return 1;
  }
  const std::string Bytes = BitmapFile(Picture);
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
