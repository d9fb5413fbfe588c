#include "rtl/SysInit.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "rtl/SysUtils.h"

namespace {

std::vector<std::string> Calls;
bool FailSecondStart = false;
bool FailFirstStop = false;

void StartA() { Calls.push_back("+A"); }
void StopA() {
  Calls.push_back("-A");
  if (FailFirstStop) throw EOSError("A cannot stop");
}
void StartB() {
  Calls.push_back("+B");
  if (FailSecondStart) throw EOSError("B cannot start");
}
void StopB() { Calls.push_back("-B"); }
void StartC() { Calls.push_back("+C"); }
void StopC() {
  Calls.push_back("-C");
  throw EOSError("C cannot stop");
}

const TUnitEntry Units[] = {{"A", &StartA, &StopA}, {"Empty", nullptr, nullptr}, {"B", &StartB, &StopB}};
const PackageInfoTable Table{static_cast<int>(std::size(Units)), Units};

TEST(PackageUnits, StartFirstToLastAndStopLastToFirst) {
  Calls.clear();
  FailSecondStart = FailFirstStop = false;
  TLibModule Module;
  PackageLoad(&Table, &Module);
  PackageUnload(&Table, &Module);
  EXPECT_EQ(Calls, (std::vector<std::string>{"+A", "+B", "-B", "-A"}));
}

TEST(PackageUnits, AFailedStartUndoesTheUnitsAlreadyStarted) {
  Calls.clear();
  FailSecondStart = true;
  FailFirstStop = false;
  TLibModule Module;
  EXPECT_THROW(PackageLoad(&Table, &Module), EOSError);
  EXPECT_EQ(Calls, (std::vector<std::string>{"+A", "+B", "-A"}));
  FailSecondStart = false;
}

TEST(PackageUnits, EveryUnitStopsAndTheFirstErrorIsReported) {
  const TUnitEntry Failing[] = {{"A", &StartA, &StopA}, {"C", &StartC, &StopC}, {"B", &StartB, &StopB}};
  const PackageInfoTable FailingTable{3, Failing};
  Calls.clear();
  FailFirstStop = true;
  TLibModule Module;
  PackageLoad(&FailingTable, &Module);
  try {
    PackageUnload(&FailingTable, &Module);
    FAIL() << "the shut-down errors were lost";
  } catch (const EOSError& E) {
    EXPECT_EQ(E.Message(), "C cannot stop");
  }
  EXPECT_EQ(Calls, (std::vector<std::string>{"+A", "+C", "+B", "-B", "-C", "-A"}));
  FailFirstStop = false;
}

TEST(ModuleList, ModulesRegisterOnceAndLeaveCleanly) {
  TLibModule First, Second;
  First.Instance = 0x1000;
  Second.Instance = 0x2000;
  RegisterModule(&First);
  RegisterModule(&Second);
  RegisterModule(&First);
  std::vector<std::uintptr_t> Seen;
  EnumModules([&](const TLibModule& M) {
    if (M.Instance == 0x1000 || M.Instance == 0x2000) Seen.push_back(M.Instance);
    return true;
  });
  EXPECT_EQ(Seen, (std::vector<std::uintptr_t>{0x2000, 0x1000}));
  EXPECT_EQ(FindModule(0x1000), &First);

  UnregisterModule(&First);
  UnregisterModule(&First);
  EXPECT_EQ(FindModule(0x1000), nullptr);
  EXPECT_EQ(FindModule(0x2000), &Second);
  UnregisterModule(&Second);
  EXPECT_EQ(FindModule(0x2000), nullptr);
}

}  // namespace
