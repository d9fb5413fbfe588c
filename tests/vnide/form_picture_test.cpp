// The layout and the picture of the package's UpdateSQL editor as a design
// session shows it, and vnide snapshot writing the pictures.
#include "form_picture.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "commands.h"
#include "design_session.h"
#include "form_layout.h"
#include "ide/DesignEditors.h"
#include "package_host.h"
#include "sqlite_fixture.h"
#include "support/registry_store.h"
#include "support/temp_dir.h"
#include "ui_driver.h"
#include "vnide_process.h"
#include "support/run_program.h"

using namespace vn_test;

namespace {

struct TRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TRect&) const = default;
};

std::ostream& operator<<(std::ostream& Out, const TRect& R) {
  return Out << R.Left << "," << R.Top << " " << R.Width << "x" << R.Height;
}

struct TFileObject {
  std::string Parent;
  std::map<std::string, std::string> Values;  // the object's own one-line properties
};

// The objects of a form file by name, each with its parent's name and its
// own "Name = value" lines.
std::map<std::string, TFileObject> ReadFormFile(const std::string& Text) {
  std::map<std::string, TFileObject> Objects;
  std::vector<std::string> Open;
  std::istringstream In(Text);
  for (std::string Line; std::getline(In, Line);) {
    const std::size_t Start = Line.find_first_not_of(' ');
    if (Start == std::string::npos) continue;
    const std::string Trimmed = Line.substr(Start, Line.find_last_not_of(" \r") + 1 - Start);
    if (Trimmed.starts_with("object ")) {
      const std::string Name = Trimmed.substr(7, Trimmed.find(':') - 7);
      Objects[Name].Parent = Open.empty() ? "" : Open.back();
      Open.push_back(Name);
    } else if (Trimmed == "end") {
      Open.pop_back();
    } else if (const std::size_t Eq = Trimmed.find(" = "); Eq != std::string::npos && !Open.empty()) {
      Objects[Open.back()].Values[Trimmed.substr(0, Eq)] = Trimmed.substr(Eq + 3);
    }
  }
  return Objects;
}

// Reads a PNG into rows of 0xRRGGBB pixels.
struct TImage {
  int Width = 0, Height = 0;
  std::vector<std::uint8_t> Rgb;
  std::uint32_t At(int X, int Y) const {
    const std::size_t I =
        (static_cast<std::size_t>(Y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(X)) * 3;
    return static_cast<std::uint32_t>(Rgb[I]) << 16 | static_cast<std::uint32_t>(Rgb[I + 1]) << 8 | Rgb[I + 2];
  }
};

TImage DecodePng(const std::string& Png) {
  png_image Image{};
  Image.version = PNG_IMAGE_VERSION;
  TImage Result;
  if (!png_image_begin_read_from_memory(&Image, Png.data(), Png.size())) return Result;
  Image.format = PNG_FORMAT_RGB;
  Result.Rgb.resize(PNG_IMAGE_SIZE(Image));
  if (!png_image_finish_read(&Image, nullptr, Result.Rgb.data(), 0, nullptr)) {
    png_image_free(&Image);
    return {};
  }
  Result.Width = static_cast<int>(Image.width);
  Result.Height = static_cast<int>(Image.height);
  return Result;
}

// The open dialog's layout as it comes up and as it closes.
class TLayoutWatcher : public vn_vcl::TForwardingDriver {
 public:
  using TForwardingDriver::TForwardingDriver;
  void FormShown(TCustomForm& Form) override {
    TForwardingDriver::FormShown(Form);
    Shown.push_back(vn_vcl::LayoutForm(Form));
  }
  void FormClosed(TCustomForm& Form, TModalResult Result) override {
    Closed.push_back(vn_vcl::LayoutForm(Form));
    TForwardingDriver::FormClosed(Form, Result);
  }
  std::vector<vn_vcl::TFormLayout> Shown, Closed;
};

const vn_vcl::TLayoutControl& ControlOf(const vn_vcl::TFormLayout& Layout, const std::string& Name) {
  for (const auto& C : Layout.Controls)
    if (C.Name == Name) return C;
  throw std::runtime_error(Name + " is not in the layout");
}

// A shop form on a SQLite database; the update object's double click opens
// the UpdateSQL editor.
class FormPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteVarnelStore(Dir.File("registry.reg"), RegQuoted(Dir.Path().string()));
    RunSQLiteScript(Dir.File("shop.db"),
                    "CREATE TABLE orders (order_no INTEGER PRIMARY KEY, customer TEXT, qty INTEGER);");
    WriteFileText(Dir.File("shop.vfm"),
                  "object Shop: TShopModule\r\n"
                  "  object ShopDb: TVNDatabase\r\n    DatabaseName = 'shop'\r\n    RemoteDatabase = 'shop.db'\r\n"
                  "  end\r\n"
                  "  object OrdersQuery: TVNQuery\r\n    DatabaseName = 'shop'\r\n"
                  "    SQL.Strings = (\r\n      'select order_no, customer, qty from orders')\r\n"
                  "    UpdateObject = OrdersUpdate\r\n    Left = 40\r\n    Top = 16\r\n  end\r\n"
                  "  object OrdersUpdate: TVNUpdateSQL\r\n  end\r\n"
                  "end\r\n");
  }

  // The editor's layouts as it comes up and as it closes, driven by Script.
  std::pair<vn_vcl::TFormLayout, vn_vcl::TFormLayout> EditorLayouts(const std::string& Script) {
    WriteFileText(Dir.File("layout.vns"), Script);
    vnide::TPackageHost Host;
    vnide::TOptions Options;
    Options.PackageFile = vn_test::BinDir() + "/DclVarq220.bpl";
    Options.FormFile = Dir.File("shop.vfm");
    Options.ScriptFile = Dir.File("layout.vns");
    std::ostringstream Out;
    vnide::TDesignSession Session(Host, Options, Out);
    TComponent& Update = Session.FindComponent("OrdersUpdate");
    std::unique_ptr<TLayoutWatcher> Watcher;
    Session.Run([&] {
      Watcher = std::make_unique<TLayoutWatcher>(vn_vcl::UserInterfaceDriver());
      const vn_vcl::TDriverInstallation Installed(*Watcher);
      GetComponentEditor(Update, &Session.Designer())->Edit();
    });
    EXPECT_NO_THROW(Session.Finish()) << Out.str();
    EXPECT_EQ(Watcher->Shown.size(), 1u) << Out.str();
    EXPECT_EQ(Watcher->Closed.size(), 1u) << Out.str();
    if (Watcher->Shown.empty() || Watcher->Closed.empty()) throw std::runtime_error("the editor did not open");
    return {Watcher->Shown[0], Watcher->Closed[0]};
  }

  TTempDir Dir;
  TScopedEnv Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")};
};

TEST_F(FormPictureTest, EditorLayoutPlacesEachControlWhereItsFormFileSays) {
  const vn_vcl::TFormLayout Layout = EditorLayouts("key esc\n").first;
  const auto File = ReadFormFile(ReadFileText(VN_UPDATE_SQL_FORM_FILE));
  auto Number = [](const TFileObject& O, const char* Name) { return std::stoi(O.Values.at(Name)); };
  std::map<std::string, TRect> Rects;  // in the form's client coordinates
  for (const auto& C : Layout.Controls) Rects[C.Name] = {C.Left, C.Top, C.Width, C.Height};
  Rects[""] = {0, 0, Layout.ClientWidth, Layout.ClientHeight};

  std::vector<std::string> Skipped;
  for (const auto& C : Layout.Controls) {
    SCOPED_TRACE(C.Name);
    ASSERT_TRUE(File.contains(C.Name));
    const TFileObject& Object = File.at(C.Name);
    const TRect Parent = Rects.at(C.Parent);
    const TRect Own = Rects.at(C.Name);
    const std::string Align = Object.Values.contains("Align") ? Object.Values.at("Align") : "alNone";
    if (Align == "alBottom") {
      EXPECT_EQ(Own, (TRect{Parent.Left, Parent.Top + Parent.Height - Number(Object, "Height"), Parent.Width,
                            Number(Object, "Height")}));
    } else if (Align == "alClient") {
      // What the bottom-aligned siblings leave.
      int Below = 0;
      for (const auto& [Name, Sibling] : File)
        if (Sibling.Parent == Object.Parent && Sibling.Values.contains("Align") &&
            Sibling.Values.at("Align") == "alBottom")
          Below += Number(Sibling, "Height");
      EXPECT_EQ(Own, (TRect{Parent.Left, Parent.Top, Parent.Width, Parent.Height - Below}));
    } else if (Object.Values.contains("Left")) {
      const TRect InParent{Own.Left - Parent.Left, Own.Top - Parent.Top, Own.Width, Own.Height};
      // Labels size themselves to their caption in the font found here.
      const bool SizedByText = C.Kind == "label";
      EXPECT_EQ(InParent.Left, Number(Object, "Left"));
      EXPECT_EQ(InParent.Top, Number(Object, "Top"));
      if (!SizedByText) {
        EXPECT_EQ(InParent.Width, Number(Object, "Width"));
        EXPECT_EQ(InParent.Height, Number(Object, "Height"));
      }
    } else {
      Skipped.push_back(C.Name);
    }
  }
  // Only the page has no bounds of its own: its page control places it.
  EXPECT_EQ(Skipped, std::vector<std::string>{"tsOptions"});
  EXPECT_TRUE(Rects.contains("lbUpdateFields") && Rects.contains("btCancel"));
}

TEST_F(FormPictureTest, PictureShowsTheWindowAndDrawsControlsWhereTheLayoutSays) {
  const vn_vcl::TFormLayout Layout =
      EditorLayouts("click btGetTableFields\ndeselect lbKeyFields customer qty\nkey esc\n").second;
  const TImage Image = DecodePng(vn_vcl::FormPicturePng(Layout));
  // A dialog's frame: 3 pixels each side, and a title bar.
  ASSERT_EQ(Image.Width, Layout.ClientWidth + 6);
  ASSERT_EQ(Image.Height, Layout.ClientHeight + 25);
  const int X0 = 3, Y0 = 25 - 3;  // the client area's top left
  const auto& Ok = ControlOf(Layout, "btOk");
  const auto& Keys = ControlOf(Layout, "lbKeyFields");
  ASSERT_TRUE(Ok.Default);
  ASSERT_EQ(Keys.Selected, std::vector<int>{0});
  ASSERT_GE(Keys.Items.size(), 2u);
  struct TPixel {
    const char* What;
    int X, Y;  // in the picture
    std::uint32_t Color;
  };
  const TPixel Pixels[] = {
      {"the title bar starts dark blue", 5, 5, 0x0A246A},
      {"the default button's outline is black", X0 + Ok.Left, Y0 + Ok.Top + Ok.Height / 2, 0x000000},
      {"the button's face", X0 + Ok.Left + 6, Y0 + Ok.Top + Ok.Height - 7, 0xD4D0C8},
      {"the selected key field is highlighted", X0 + Keys.Left + Keys.Width - 8,
       Y0 + Keys.Top + 2 + Keys.ItemHeight / 2, 0x0A246A},
      {"the next one is not", X0 + Keys.Left + Keys.Width - 8, Y0 + Keys.Top + 2 + Keys.ItemHeight * 3 / 2, 0xFFFFFF},
  };
  // Within a few steps per channel: the title bar is a gradient.
  auto Near = [](std::uint32_t A, std::uint32_t B) {
    for (int Shift = 0; Shift <= 16; Shift += 8)
      if (std::abs(static_cast<int>((A >> Shift) & 0xFF) - static_cast<int>((B >> Shift) & 0xFF)) > 8) return false;
    return true;
  };
  for (const TPixel& P : Pixels)
    EXPECT_TRUE(Near(Image.At(P.X, P.Y), P.Color))
        << P.What << " at " << P.X << "," << P.Y << ": " << std::hex << Image.At(P.X, P.Y);
}

TEST_F(FormPictureTest, SnapshotWritesTheModuleAndEachDialogOrNothing) {
  // The session accepts what it generated: snapshot still saves nothing.
  WriteFileText(Dir.File("session.vns"),
                "click btGetTableFields\nclick btSelectPrimKeys\nclick btGenerateSQL\nclick btOk\n");
  WriteFileText(Dir.File("blocker"), "a file, not a folder");
  struct TCase {
    std::string Folder;
    std::string Script;
    int ExitCode;
    std::vector<std::string> Files;
    const char* Says;
  };
  const TCase Cases[] = {
      {Dir.File("pictures"),
       "session.vns",
       0,
       {"Shop.png", "01-VNUpdateSQLEditForm.png"},
       "01-VNUpdateSQLEditForm.png"},
      {Dir.File("blocker/pictures"), "session.vns", 1, {}, "Cannot write pictures into folder"},
      {Dir.File("failed"), "bad.vns", 1, {}, "the session hit 1 error(s)"},
  };
  WriteFileText(Dir.File("bad.vns"), "click btNothing\nkey esc\n");
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Folder);
    const TRun Run = RunVnideGuarded("snapshot " + Dir.File("shop.vfm") + " " + Case.Folder +
                                     " --object OrdersUpdate --script " + Dir.File(Case.Script));
    EXPECT_EQ(Run.ExitCode, Case.ExitCode) << Run.Output;
    EXPECT_NE(Run.Output.find(Case.Says), std::string::npos) << Run.Output;
    std::vector<std::string> Found;
    std::error_code Error;
    for (const auto& Entry : std::filesystem::directory_iterator(Case.Folder, Error))
      Found.push_back(Entry.path().filename().string());
    std::sort(Found.begin(), Found.end());
    std::vector<std::string> Expected = Case.Files;
    std::sort(Expected.begin(), Expected.end());
    EXPECT_EQ(Found, Expected);
    for (const std::string& Name : Found) EXPECT_GT(DecodePng(ReadFileText(Case.Folder + "/" + Name)).Width, 0) << Name;
  }
  EXPECT_EQ(ReadFileText(Dir.File("shop.vfm")).find("RefreshSQL"), std::string::npos) << "the form is never saved";
}

}  // namespace
