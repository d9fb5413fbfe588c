// Dialogs of the runtime library driven by the scripted driver, with probes
// that look at the open form.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "script_driver.h"
#include "vcl/Dialogs.h"

namespace vn_test {

using TProbe = std::function<void(TCustomForm&)>;

// The scripted driver with "probe" lines that run the next probe on the open
// form, and a record of the messages shown and the exceptions reported.
class TProbeDriver : public vn_vcl::TScriptedDriver {
 public:
  TProbeDriver(std::istream& In, std::ostream& Out, std::vector<TProbe> AProbes)
      : TScriptedDriver(In, Out), Probes(std::move(AProbes)) {}

  bool HandleMessage(TCustomForm& Form) override {
    std::string Line;
    if (ReadCommand(Line, Form.Name())) {
      if (Line != "probe") {
        Unread(Line);
      } else {
        Probes.at(Ran++)(Form);
        return true;
      }
    }
    return TScriptedDriver::HandleMessage(Form);
  }
  int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) override {
    Messages.push_back(Msg);
    return TScriptedDriver::MessageDlg(Msg, DlgType, Buttons, HelpCtx);
  }
  void ShowException(const std::string& ClassName, const std::string& Message) override {
    Exceptions.push_back(ClassName + ": " + Message);
  }

  std::vector<TProbe> Probes;
  std::size_t Ran = 0;
  std::vector<std::string> Messages;
  std::vector<std::string> Exceptions;
};

template <class T>
T& Control(TCustomForm& Form, const std::string& Name) {
  TComponent* Found = Form.FindComponent(Name);
  if (Found == nullptr) throw std::runtime_error("no control " + Name);
  return As<T>(*Found);
}

// Runs Action under Script with a new Driver; the script's output comes back,
// and no line of it may have failed unless ExpectErrors.
inline std::string RunDialog(std::unique_ptr<TProbeDriver>& Driver, const std::string& Script,
                             const std::function<void()>& Action, std::vector<TProbe> Probes = {},
                             bool ExpectErrors = false) {
  std::istringstream In(Script);
  std::ostringstream Out;
  Driver = std::make_unique<TProbeDriver>(In, Out, std::move(Probes));
  vn_vcl::TDriverInstallation Installed(*Driver);
  Action();
  EXPECT_EQ(Driver->Ran, Driver->Probes.size()) << Out.str();
  if (!ExpectErrors) {
    EXPECT_EQ(Out.str().find("error:"), std::string::npos) << Out.str();
  }
  EXPECT_TRUE(Driver->Exceptions.empty()) << Out.str();
  return Out.str();
}

}  // namespace vn_test
