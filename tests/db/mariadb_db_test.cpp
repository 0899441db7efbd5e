#include "tests/db/db_engines.h"

namespace corbel::testing {
const EngineContext &TheEngine() { return kMariadb; }
}  // namespace corbel::testing
