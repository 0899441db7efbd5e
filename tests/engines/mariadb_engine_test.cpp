#include "tests/engines/engine_context.h"

namespace corbel::testing {
INSTANTIATE_TEST_SUITE_P(Mariadb, EngineTest, ::testing::Values(kMariadb), EngineName);
}  // namespace corbel::testing
