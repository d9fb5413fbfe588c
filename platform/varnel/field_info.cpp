#include "field_info.h"

#include <optional>
#include <vector>

#include "rtl/Classes.h"
#include "select_parser.h"
#include "server_connection.h"

namespace {

// Groups the refill of one list into a single change.
class TUpdateGuard {
 public:
  explicit TUpdateGuard(TStrings& List) : FList(List) { FList.BeginUpdate(); }
  ~TUpdateGuard() { FList.EndUpdate(); }
  TUpdateGuard(const TUpdateGuard&) = delete;
  TUpdateGuard& operator=(const TUpdateGuard&) = delete;

 private:
  TStrings& FList;
};

void Fill(TStrings& List, const std::vector<std::string>& Lines) {
  TUpdateGuard Guard(List);
  List.Clear();
  for (const std::string& Line : Lines) List.Add(Line);
}

}  // namespace

void ParseFieldInfo(TVNServerConnection* Connection, const std::string& SQL, TStrings* Fields, TStrings* Tables) {
  const bool FromDatabase = Connection != nullptr && Connection->Connected();
  std::vector<TVNFieldOrigin> Origins;
  if (Fields && FromDatabase) Origins = Connection->FieldOrigins(SQL);
  // Everything is read before either list changes, so an error leaves both intact.
  std::optional<TVNSelectInfo> Parsed;
  if (Tables || (Fields && !FromDatabase)) Parsed = ParseSelect(SQL);
  if (Fields && !FromDatabase) Origins = Parsed->Fields;

  if (Fields) {
    std::vector<std::string> Lines;
    Lines.reserve(Origins.size());
    for (const TVNFieldOrigin& Field : Origins)
      Lines.push_back(Field.Name + "=" + (Field.TableName.empty() ? "" : Field.TableName + "." + Field.ColumnName));
    Fill(*Fields, Lines);
  }
  if (Tables) {
    std::vector<std::string> Lines;
    for (const TVNSelectTable& Table : Parsed->Tables) Lines.push_back(Table.Name + "=" + Table.TableName);
    Fill(*Tables, Lines);
  }
}
