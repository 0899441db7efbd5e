// Product dispatch. Until product rules are registered every product takes the generic
// rule, for which nothing happens and the installation may proceed.
#include "handler/run.h"

namespace ovr {

RuleOutcome DispatchProduct(const RunSettings &) {
  return RuleOutcome::Clear;
}

}  // namespace ovr
