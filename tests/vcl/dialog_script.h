// Runs a test dialog modally under the scripted driver.
#pragma once

#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "script_driver.h"
#include "test_dialog.h"

struct TScriptRun {
  TModalResult Result = mrNone;
  std::string Output;
};

// Runs Step on the open form first, then the script.
class TStepDriver : public vn_vcl::TScriptedDriver {
 public:
  TStepDriver(std::istream& In, std::ostream& Out, std::function<void(TCustomForm&)> AStep)
      : TScriptedDriver(In, Out), FStep(std::move(AStep)) {}
  bool HandleMessage(TCustomForm& Form) override {
    if (!FStep) return TScriptedDriver::HandleMessage(Form);
    const auto Step = std::move(FStep);
    FStep = nullptr;
    Step(Form);
    return true;
  }

 private:
  std::function<void(TCustomForm&)> FStep;
};

inline TScriptRun RunScript(TCustomForm& Form, const std::string& Script,
                            std::function<void(TCustomForm&)> Step = nullptr) {
  std::istringstream In(Script);
  std::ostringstream Out;
  TStepDriver Driver(In, Out, std::move(Step));
  vn_vcl::TDriverInstallation Installed(Driver);
  TScriptRun Run;
  Run.Result = Form.ShowModal();
  Run.Output = Out.str();
  return Run;
}

// A new test dialog owned by the application, as the package creates its own.
inline std::unique_ptr<TTestDialog> NewTestDialog() {
  DialogLog().clear();
  return std::make_unique<TTestDialog>(Application);
}

// Whether Text holds Part.
inline bool Has(const std::string& Text, const std::string& Part) { return Text.find(Part) != std::string::npos; }
