// What every ODBC engine must do for the framework: connect with the DSN of the env file,
// create a table, insert, select back byte-exact, drop.
#include <string>
#include <vector>

#include "tests/engines/engine_context.h"

namespace corbel::testing {
namespace {

using Rows = std::vector<std::vector<std::optional<std::string>>>;

TEST_P(EngineTest, CreateInsertSelectDropRoundTripsValues) {
  const EngineContext &ctx = GetParam();
  CORBEL_REQUIRE_ENGINE(ctx);
  OdbcSession db;
  ASSERT_EQ(db.Connect(ctx.ConnectionString()), "");
  const std::string table = UniqueName("engine_check");
  db.Execute("DROP TABLE " + table);  // left over by a crashed run; fails when absent
  ASSERT_EQ(db.Execute("CREATE TABLE " + table + " (id " + ctx.int_type + " NOT NULL, name " +
                       ctx.text_type + ", PRIMARY KEY (id))" + ctx.create_table_suffix),
            "");

  struct Case {
    int id;
    std::optional<std::string> name;
  };
  const std::vector<Case> cases = {
      {1, "plain"},
      {2, "O'Brien"},
      {3, "back\\slash; x'); DROP TABLE t; --"},
      {4, "Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC"},  // UTF-8: "Grüße €"
      {5, ""},
      {-2147483647 - 1, std::nullopt},
      {2147483647, "max"},
  };
  for (const Case &c : cases) {
    std::string value = c.name ? Quote(ctx, *c.name) : "NULL";
    ASSERT_EQ(db.Execute("INSERT INTO " + table + " (id, name) VALUES (" + std::to_string(c.id) +
                         ", " + value + ")"),
              "");
  }
  Rows rows;
  ASSERT_EQ(db.Query("SELECT id, name FROM " + table + " ORDER BY id", &rows), "");
  ASSERT_EQ(rows.size(), cases.size());
  // Expected in id order: the minimum first, then 1..5, then the maximum.
  std::vector<Case> sorted = cases;
  std::sort(sorted.begin(), sorted.end(), [](const Case &a, const Case &b) { return a.id < b.id; });
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(rows[i].size(), 2u);
    EXPECT_EQ(rows[i][0], std::to_string(sorted[i].id));
    EXPECT_EQ(rows[i][1], sorted[i].name);
  }

  ASSERT_EQ(db.Execute("DROP TABLE " + table), "");
  EXPECT_NE(db.Query("SELECT id FROM " + table, &rows), "") << "table still there after DROP";
}

TEST_P(EngineTest, ReportsErrorsOfBadStatements) {
  const EngineContext &ctx = GetParam();
  CORBEL_REQUIRE_ENGINE(ctx);
  OdbcSession db;
  ASSERT_EQ(db.Connect(ctx.ConnectionString()), "");
  Rows rows;
  std::string error = db.Query("SELECT no_such_column FROM no_such_table_at_all", &rows);
  EXPECT_NE(error, "");
  EXPECT_TRUE(rows.empty());
}

}  // namespace
}  // namespace corbel::testing
