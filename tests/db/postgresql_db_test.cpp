#include "tests/db/db_engines.h"

namespace corbel::testing {
const EngineContext &TheEngine() { return kPostgresql; }
}  // namespace corbel::testing
