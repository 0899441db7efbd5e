// Firebird runs embedded: the framework's dialect reaches it through isql-fb on a local
// database file, one process at a time.
#include <string>

#include "tests/engines/engine_context.h"

namespace corbel::testing {
namespace {

TEST(FirebirdEngine, CreateInsertSelectDropRoundTripsValues) {
  const EngineContext &ctx = kFirebird;
  CORBEL_REQUIRE_ENGINE(ctx);
  const std::string table = UniqueName("ENGINE_CHECK");
  // Tables exist for DML only once their DDL is committed, and a table read in an open
  // transaction cannot be dropped: commit between the steps.
  const std::string script =
      "SET LIST ON;\n"
      "CREATE TABLE " + table + " (ID " + ctx.int_type + " NOT NULL PRIMARY KEY, NAME " +
      ctx.text_type + ");\nCOMMIT;\n"
      "INSERT INTO " + table + " VALUES (1, " + Quote(ctx, "O'Brien") + ");\n"
      "INSERT INTO " + table + " VALUES (2, " + Quote(ctx, "Gr\xC3\xBC\xC3\x9F\x65") + ");\n"
      "INSERT INTO " + table + " VALUES (-2147483648, NULL);\n"
      "SELECT ID, NAME FROM " + table + " ORDER BY ID;\nCOMMIT;\n"
      "DROP TABLE " + table + ";\nCOMMIT;\n";
  IsqlResult r = RunIsql(script);
  ASSERT_EQ(r.exit_code, 0) << r.output;
  // SET LIST ON prints one "COLUMN  value" line per column, rows separated by blank lines.
  auto pos_min = r.output.find("ID                              -2147483648");
  auto pos_null = r.output.find("NAME                            <null>");
  auto pos_quote = r.output.find("NAME                            O'Brien");
  auto pos_utf8 = r.output.find("NAME                            Gr\xC3\xBC\xC3\x9F\x65");
  ASSERT_NE(pos_min, std::string::npos) << r.output;
  ASSERT_NE(pos_null, std::string::npos) << r.output;
  ASSERT_NE(pos_quote, std::string::npos) << r.output;
  ASSERT_NE(pos_utf8, std::string::npos) << r.output;
  EXPECT_LT(pos_min, pos_quote);
  EXPECT_LT(pos_quote, pos_utf8);

  IsqlResult gone = RunIsql("SELECT COUNT(*) FROM " + table + ";\n");
  EXPECT_NE(gone.exit_code, 0) << "table still there after DROP:\n" << gone.output;
}

TEST(FirebirdEngine, ReportsErrorsOfBadStatements) {
  CORBEL_REQUIRE_ENGINE(kFirebird);
  IsqlResult r = RunIsql("SELECT NO_SUCH_COLUMN FROM NO_SUCH_TABLE_AT_ALL;\n");
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.output.find("SQLSTATE = 42S02"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace corbel::testing
