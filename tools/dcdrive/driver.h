#pragma once
// An unbound data controller with one item per column of a table, or a dataset-bound one over a SQLite query,
// driven by operations given as words. Input and output are UTF-8; the controller holds code-page text.
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace dcdrive {

using json = nlohmann::ordered_json;

// Once before the first driver: the output must not depend on the machine's locale, and a query needs the
// start-up of the dataset units.
void InitializeUnits();

class Driver {
public:
  Driver();
  ~Driver();
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  // A table whose header cells are name:type. Raises BadInput.
  void LoadTable(std::string_view ACsv);
  // The query's result over the database file, which the driver's edits write to.
  void LoadQuery(std::string_view AFile, std::string_view ASQL);

  // Runs one operation; answers what it prints as its result, {"dump": view} for a dump, or null for
  // nothing. Raises BadInput for a malformed operation and the library's exceptions for refused ones.
  json Run(const std::vector<std::string>& AWords);

private:
  struct State;
  std::unique_ptr<State> FState;
};

} // namespace dcdrive
