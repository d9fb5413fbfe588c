// The scripted driver of a test: its script given as text, what it wrote kept,
// and the forms it was shown and the exceptions it reported recorded.
#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "script_driver.h"
#include "vcl/Forms.h"

namespace vn_test {

struct TDriverStreams {
  std::istringstream In;
  std::ostringstream Out;
};

class TRecordingDriver : private TDriverStreams, public vn_vcl::TScriptedDriver {
 public:
  explicit TRecordingDriver(const std::string& Script) : TScriptedDriver(TDriverStreams::In, TDriverStreams::Out) {
    TDriverStreams::In.str(Script);
  }

  void FormShown(TCustomForm& Form) override {
    Shown.push_back(Form.Name() + " \"" + Form.Caption() + "\"");
    if (OnShown) OnShown(Form);
    TScriptedDriver::FormShown(Form);
  }
  void ShowException(const std::string& ClassName, const std::string& Message) override {
    Exceptions.push_back(ClassName + ": " + Message);
    TScriptedDriver::ShowException(ClassName, Message);
  }
  std::string Output() const { return TDriverStreams::Out.str(); }

  // Form name and caption of each form shown, in order.
  std::vector<std::string> Shown;
  std::vector<std::string> Exceptions;
  // Runs on each form as it is shown, before the script acts on it.
  std::function<void(TCustomForm&)> OnShown;
};

// Installs a recording driver for the scope.
struct TScriptScope {
  explicit TScriptScope(const std::string& Script) : Driver(Script), Installed(Driver) {}
  TRecordingDriver Driver;
  vn_vcl::TDriverInstallation Installed;
};

}  // namespace vn_test
