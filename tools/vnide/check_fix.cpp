// vnide check --fix: update objects whose statements fail get new ones from
// the package's own UpdateSQL editor, driven as a person should have driven
// it: the table the query writes, its key, the columns the query selects. The
// new statements are shown as a diff, proven with a dry run, and the form is
// saved only when every one of them passed.
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "check_fix.h"
#include "commands.h"
#include "design_session.h"
#include "ide/DesignEditors.h"
#include "package_host.h"
#include "rtl/TypInfo.h"
#include "statement_check.h"

namespace vnide {

namespace {

constexpr const char* StatementNames[] = {"RefreshSQL", "ModifySQL", "InsertSQL", "DeleteSQL"};

bool Passes(const TVNUpdateCheckResult& Result) { return FindingCount(Result) == 0 && Result.NotChecked == 0; }

// A name as the script reader takes it: quoted when it has blanks or quotes.
std::string Word(const std::string& Text) {
  if (!Text.empty() && Text.find_first_of(" \t\"\\") == std::string::npos) return Text;
  std::string Quoted = "\"";
  for (const char C : Text) {
    if (C == '"' || C == '\\') Quoted += '\\';
    Quoted += C;
  }
  return Quoted + "\"";
}

std::string Words(const std::vector<std::string>& List) {
  std::string Text;
  for (const std::string& Item : List) Text += " " + Word(Item);
  return Text;
}

// The editor session that gives Plan's statements.
std::string ScriptFor(const TVNUpdatePlan& Plan) {
  std::vector<std::string> NotWritten;
  for (const std::string& Column : Plan.Columns)
    if (std::find(Plan.UpdateFields.begin(), Plan.UpdateFields.end(), Column) == Plan.UpdateFields.end())
      NotWritten.push_back(Column);
  std::string Script = "select cbTableName " + Word(Plan.Table) + "\nclick btGetTableFields\n";
  Script += "deselect lbKeyFields" + Words(Plan.Columns) + "\nselect lbKeyFields" + Words(Plan.KeyFields) + "\n";
  if (!NotWritten.empty()) Script += "deselect lbUpdateFields" + Words(NotWritten) + "\n";
  Script += std::string(Plan.QuoteNames ? "check" : "uncheck") + " cbQuotedFields\nclick btGenerateSQL\nclick btOk\n";
  return Script;
}

// A unified diff of one statement, in one hunk over all its lines: the lines
// both keep (a longest common subsequence) as context, the others - and +.
void WriteDiff(const std::string& Label, const std::vector<std::string>& Old, const std::vector<std::string>& New,
               std::ostream& Out) {
  if (Old == New) return;
  const std::size_t N = Old.size(), M = New.size();
  std::vector<std::vector<int>> Common(N + 1, std::vector<int>(M + 1, 0));
  for (std::size_t I = N; I-- > 0;)
    for (std::size_t J = M; J-- > 0;)
      Common[I][J] = Old[I] == New[J] ? Common[I + 1][J + 1] + 1 : std::max(Common[I + 1][J], Common[I][J + 1]);
  Out << "--- " << Label << "\n+++ " << Label << "\n";
  Out << "@@ -" << (N == 0 ? 0 : 1) << "," << N << " +" << (M == 0 ? 0 : 1) << "," << M << " @@\n";
  std::size_t I = 0, J = 0;
  while (I < N || J < M) {
    if (I < N && J < M && Old[I] == New[J]) {
      Out << " " << Old[I++] << '\n';
      ++J;
    } else if (J < M && (I == N || Common[I][J + 1] > Common[I + 1][J])) {
      Out << "+" << New[J++] << '\n';
    } else {
      Out << "-" << Old[I++] << '\n';
    }
  }
}

struct TFix {
  std::string Object;
  TVNUpdatePlan Plan;
  std::vector<std::string> Old[4];
};

// The update objects of File to fix (with their plans), and what cannot be.
void PlanFixes(TPackageHost& Host, const TOptions& Options, const std::string& File, std::vector<TFix>& Fixes,
               std::ostream& Out, bool& Refused) {
  TOptions One = Options;
  One.FormFile = File;
  One.ScriptFile.clear();
  std::ostringstream Quiet;
  TDesignSession Session(Host, One, Quiet);
  TVNUpdateCheckOptions CheckOptions;
  CheckOptions.TimeoutSeconds = Options.TimeoutSeconds;
  for (int I = 0; I < Session.Root().ComponentCount(); ++I) {
    TComponent& Component = *Session.Root().Components(I);
    if (!IsUpdateObject(Component)) continue;
    if (Options.Fix == fxFailing && Passes(CheckUpdateObject(Host, Component, CheckOptions))) continue;
    TFix Fix{Component.Name(), PlanUpdateStatements(Host, Component), {}};
    if (!Fix.Plan.Why.empty()) {
      Out << File << ": " << Component.Name() << ": nothing generated: " << Fix.Plan.Why << '\n';
      Refused = true;
      continue;
    }
    for (int K = 0; K < 4; ++K) Fix.Old[K] = StatementLines(Component, StatementNames[K]);
    Fixes.push_back(std::move(Fix));
  }
}

// True when every planned fix passed its dry run and the form was saved.
bool ApplyFixes(TPackageHost& Host, const TOptions& Options, const std::string& File, const std::vector<TFix>& Fixes,
                std::ostream& Out) {
  std::string Script;
  for (const TFix& Fix : Fixes) Script += ScriptFor(Fix.Plan);
  char ScriptName[] = "/tmp/vnide-fix-XXXXXX";
  const int Fd = ::mkstemp(ScriptName);
  if (Fd < 0) throw EHostError("Cannot write the editor's session for --fix");
  ::close(Fd);
  struct TRemove {
    const char* Name;
    ~TRemove() { ::unlink(Name); }
  } Remove{ScriptName};
  std::ofstream(ScriptName) << Script;

  TOptions Two = Options;
  Two.FormFile = File;
  Two.ScriptFile = ScriptName;
  Two.SaveFile.clear();
  std::ostringstream Transcript;
  TDesignSession Session(Host, Two, Transcript);
  for (const TFix& Fix : Fixes) {
    TComponent& Component = Session.FindComponent(Fix.Object);
    Session.Run([&] { GetComponentEditor(Component, &Session.Designer())->Edit(); });
  }
  TVNUpdateCheckOptions Proof;
  Proof.Mode = cmDryRun;
  Proof.TimeoutSeconds = Options.TimeoutSeconds;
  Proof.AllowSuperuser = Options.AllowSuperuser;
  bool AllPassed = true;
  for (const TFix& Fix : Fixes) {
    TComponent& Component = Session.FindComponent(Fix.Object);
    for (int K = 0; K < 4; ++K)
      WriteDiff(File + " (" + Fix.Object + "." + StatementNames[K] + ")", Fix.Old[K],
                StatementLines(Component, StatementNames[K]), Out);
    const TVNUpdateCheckResult Result = CheckUpdateObject(Host, Component, Proof);
    if (Passes(Result)) {
      Out << File << ": " << Fix.Object << ": new statements pass a dry run\n";
      continue;
    }
    AllPassed = false;
    WriteVerification(Fix.Object, Result, Out);
  }
  if (!AllPassed) {
    Out << File << ": not saved: the new statements did not all pass\n";
    return false;
  }
  try {
    if (!Session.Finish()) {
      Out << File << ": nothing saved: the editor wrote the statements the form already had\n";
      return true;
    }
  } catch (const Exception&) {
    Out << Transcript.str();
    throw;
  }
  Out << File << ": saved\n";
  return true;
}

}  // namespace

int RunCheckFix(TPackageHost& Host, const TOptions& Options, const std::vector<std::string>& Files, std::ostream& Out) {
  bool Failed = false;
  for (const std::string& File : Files) {
    std::vector<TFix> Fixes;
    bool Refused = false;
    PlanFixes(Host, Options, File, Fixes, Out, Refused);
    Failed = Failed || Refused;
    if (Fixes.empty()) {
      if (!Refused) Out << File << ": nothing to fix\n";
      continue;
    }
    if (!ApplyFixes(Host, Options, File, Fixes, Out)) Failed = true;
  }
  return Failed ? ecFindings : ecSuccess;
}

}  // namespace vnide
