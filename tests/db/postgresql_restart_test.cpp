// The PostgreSQL server stops while a pool is open and starts again: statements fail with
// their messages in between and work again afterwards, without restarting the program.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <corbel/connpool.h>
#include <corbel/resultset.h>

#include "tests/db/db_engines.h"
#include "tests/db/db_fixture.h"

namespace corbel::testing {

const EngineContext &TheEngine() { return kPostgresql; }

namespace {

// pg_ctl on the test server, as the user that owns it.
int PgCtl(const std::string &arguments) {
  const std::string data = Env("CORBEL_ENGINES_DIR") + "/postgresql/data";
  std::string command = std::string(getuid() == 0 ? "runuser -u postgres -- " : "") +
                        "/usr/lib/postgresql/15/bin/pg_ctl -D '" + data + "' -w -t 60 " +
                        arguments + " >/dev/null 2>&1";
  return std::system(command.c_str());
}

// Starts the server again on its port and socket, whatever happens in the test.
struct RestartGuard {
  ~RestartGuard() { Start(); }
  static int Start() {
    const std::string data = Env("CORBEL_ENGINES_DIR") + "/postgresql";
    return PgCtl("-l '" + data + "/server.log' -o '-c listen_addresses=127.0.0.1 -p " +
                 Env("CORBEL_PG_PORT") + " -k " + Env("CORBEL_PG_SOCKET_DIR") +
                 " -c fsync=off' start");
  }
};

bool SelectOne() {
  ConnectionHandle *c = GetConnectionHandle("pg");
  if (c == nullptr) return false;
  ResultSet *set = ExecuteQuery(c, "SELECT 1");
  ReleaseConnectionHandle("pg");
  bool ok = set != nullptr && set->rowCount == 1;
  FreeResultSet(set);
  return ok;
}

TEST(PostgresqlRestartTest, PoolRecoversAfterTheServerComesBack) {
  CORBEL_REQUIRE_ENGINE(kPostgresql);
  CapturedLog log;
  DbState state;
  StoreConnParamsEntry(DataSourceOf(kPostgresql, "pg"));
  ASSERT_TRUE(EstablishDBConnectionPool(2));
  ASSERT_TRUE(SelectOne());
  {
    RestartGuard guard;
    ASSERT_EQ(PgCtl("-m fast stop"), 0);
    EXPECT_FALSE(SelectOne()) << "the statement on the dead connection fails";
    EXPECT_TRUE(log.Contains("SQLExecDirect failed\n"));
    EXPECT_TRUE(log.Contains("STATE: 57P01") || log.Contains("STATE: 08")) << log.Text();
    EXPECT_FALSE(SelectOne()) << "renewal fails while the server is down";
    EXPECT_TRUE(log.Contains("Error in opening connection while re-establishing"));
    ASSERT_EQ(RestartGuard::Start(), 0);
  }
  EXPECT_TRUE(SelectOne()) << log.Text();
  EXPECT_TRUE(SelectOne());
}

}  // namespace
}  // namespace corbel::testing
