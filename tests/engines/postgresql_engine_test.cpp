#include "tests/engines/engine_context.h"

namespace corbel::testing {
INSTANTIATE_TEST_SUITE_P(Postgresql, EngineTest, ::testing::Values(kPostgresql), EngineName);
}  // namespace corbel::testing
