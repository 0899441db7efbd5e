#include "handler/run_settings.h"

namespace ovr {

RunSettings gv_runSettings;

}  // namespace ovr
