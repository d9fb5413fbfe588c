// vnide snapshot: pictures of a form file as the builder shows it, and of the
// dialogs a double click on one of its components opens, as a script drives
// them. The form file is never changed.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "bitmap_png.h"
#include "commands.h"
#include "design_picture.h"
#include "design_session.h"
#include "form_layout.h"
#include "form_picture.h"
#include "form_text_file.h"
#include "ide/DesignEditors.h"
#include "package_host.h"
#include "ui_driver.h"
#include "vcl/Controls.h"

namespace vnide {

namespace {

struct TPicture {
  std::string FileName;  // within the folder
  std::string Png;
};

// Draws each modal dialog as it comes up; the session's driver answers it.
class TPictureTaker : public vn_vcl::TForwardingDriver {
 public:
  TPictureTaker(TUserInterfaceDriver& Inner, std::vector<TPicture>& Pictures)
      : TForwardingDriver(Inner), FPictures(Pictures) {}

  void FormShown(TCustomForm& Form) override {
    TForwardingDriver::FormShown(Form);
    const std::string Number = (FShown < 9 ? "0" : "") + std::to_string(FShown + 1);
    ++FShown;
    FPictures.push_back({Number + "-" + Form.Name() + ".png", vn_vcl::FormPicturePng(vn_vcl::LayoutForm(Form))});
  }

 private:
  std::vector<TPicture>& FPictures;
  int FShown = 0;
};

// Writes every picture into Folder, or none: each goes to a temporary file
// first, and only when all are written are they renamed into place.
void WritePictures(const std::filesystem::path& Folder, const std::vector<TPicture>& Pictures) {
  std::error_code Error;
  std::filesystem::create_directories(Folder, Error);
  if (Error || !std::filesystem::is_directory(Folder))
    throw EHostError(Format("Cannot write pictures into folder \"%s\": %s",
                            {Folder.string(), Error ? Error.message() : std::string("not a folder")}));
  const std::string Suffix = ".vnide-" + std::to_string(::getpid()) + ".tmp";
  std::vector<std::filesystem::path> Written;
  struct TCleanUp {
    std::vector<std::filesystem::path>& Files;
    ~TCleanUp() {
      std::error_code Ignored;
      for (const auto& File : Files) std::filesystem::remove(File, Ignored);
    }
  } CleanUp{Written};
  for (const TPicture& Picture : Pictures) {
    const std::filesystem::path Temp = Folder / (Picture.FileName + Suffix);
    std::ofstream File(Temp, std::ios::binary | std::ios::trunc);
    if (File) Written.push_back(Temp);
    if (!File || !File.write(Picture.Png.data(), static_cast<std::streamsize>(Picture.Png.size())) || !File.flush())
      throw EHostError(
          Format("Cannot write the picture \"%s\": %s", {(Folder / Picture.FileName).string(), std::strerror(errno)}));
  }
  for (std::size_t I = 0; I < Pictures.size(); ++I) {
    const std::filesystem::path Target = Folder / Pictures[I].FileName;
    std::filesystem::rename(Written[I], Target, Error);
    if (Error) throw EHostError(Format("Cannot write the picture \"%s\": %s", {Target.string(), Error.message()}));
  }
  Written.clear();
}

}  // namespace

std::string DataModulePicture(TPackageHost& Host, const TComponent& Root) {
  vn_vcl::TDesignSurface Surface;
  Surface.Name = Root.Name();
  if (const auto* Module = dynamic_cast<const TDataModule*>(&Root)) {
    Surface.ClientWidth = std::max(Module->DesignWidth() - 8, 0);
    Surface.ClientHeight = std::max(Module->DesignHeight() - 27, 0);
  }
  const TFont Font;
  Surface.Font = vn_vcl::LayoutFontOf(Font);
  constexpr int Margin = 16, CellWidth = 80, CellHeight = 56;
  int Bottom = 0;
  std::vector<const TComponent*> Unplaced;
  for (int I = 0; I < Root.ComponentCount(); ++I) {
    const TComponent& C = *Root.Components(I);
    // Controls have their own picture; a dataset's persistent fields (and
    // whatever else has a parent component) show in the structure view and
    // the Fields editor, never as icons on the surface.
    if (dynamic_cast<const TControl*>(&C) != nullptr || C.HasParent()) continue;
    if (C.DesignInfo() == 0) {
      Unplaced.push_back(&C);
      continue;
    }
    const auto Info = static_cast<std::uint32_t>(C.DesignInfo());
    vn_vcl::TDesignIcon& Icon = Surface.Icons.emplace_back();
    Icon.Name = C.Name();
    Icon.Left = static_cast<std::int16_t>(Info & 0xFFFF);
    Icon.Top = static_cast<std::int16_t>(Info >> 16);
    Bottom = std::max(Bottom, Icon.Top + CellHeight);
  }
  const int PerRow = std::max((std::max(Surface.ClientWidth, 400) - Margin) / CellWidth, 1);
  for (std::size_t I = 0; I < Unplaced.size(); ++I) {
    vn_vcl::TDesignIcon& Icon = Surface.Icons.emplace_back();
    Icon.Name = Unplaced[I]->Name();
    Icon.Left = Margin + static_cast<int>(I % static_cast<std::size_t>(PerRow)) * CellWidth;
    Icon.Top = Bottom + Margin + static_cast<int>(I / static_cast<std::size_t>(PerRow)) * CellHeight;
  }
  for (vn_vcl::TDesignIcon& Icon : Surface.Icons)
    if (const TComponent* C = Root.FindComponent(Icon.Name))
      if (const std::vector<std::uint8_t> Dib = PaletteBitmap(Host, C->ClassType()); !Dib.empty())
        Icon.BitmapPng = BitmapAsPng(Dib, UpperCase(C->ClassType().ClassName()));
  return vn_vcl::DesignSurfacePng(Surface);
}

int RunSnapshotCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  // The folder as given, before the session moves to the form's folder.
  const std::filesystem::path Folder = std::filesystem::absolute(NativeFileName(Options.PngFolder));
  std::vector<TPicture> Pictures;
  TDesignSession Session(Host, Options, Out);

  TComponent& Root = Session.Root();
  if (Session.DesignRoot().Kind() == rkForm)
    Pictures.push_back({Root.Name() + ".png", vn_vcl::FormPicturePng(vn_vcl::LayoutForm(As<TCustomForm>(Root)))});
  else
    Pictures.push_back({Root.Name() + ".png", DataModulePicture(Host, Root)});
  if (!Options.ObjectName.empty()) {
    TComponent& Component = Session.FindComponent(Options.ObjectName);
    Session.Run([&] {
      TPictureTaker Taker(vn_vcl::UserInterfaceDriver(), Pictures);
      const vn_vcl::TDriverInstallation Installed(Taker);
      std::unique_ptr<TComponentEditor> Editor = GetComponentEditor(Component, &Session.Designer());
      Session.Transcript() << "double click: Edit of " << Editor->ClassName() << '\n';
      Editor->Edit();
    });
  }
  // A look changes nothing: whatever the dialogs did is not saved.
  Session.Designer().ClearModified();
  Session.Finish();
  WritePictures(Folder, Pictures);

  if (Options.Output == ofJson) {
    nlohmann::ordered_json Json = nlohmann::ordered_json::array();
    for (const TPicture& Picture : Pictures) Json.push_back((Folder / Picture.FileName).string());
    Out << JsonText(Json, 2) << '\n';
  } else {
    for (const TPicture& Picture : Pictures) Out << (Folder / Picture.FileName).string() << '\n';
  }
  return ecSuccess;
}

}  // namespace vnide
