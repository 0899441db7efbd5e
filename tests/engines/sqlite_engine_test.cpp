#include "tests/engines/engine_context.h"

namespace corbel::testing {
INSTANTIATE_TEST_SUITE_P(Sqlite, EngineTest, ::testing::Values(kSqlite), EngineName);
}  // namespace corbel::testing
