// The operating-system services the handler calls, one header per capability.
#pragma once

#include "platform/error.h"
#include "platform/machine.h"
#include "platform/process.h"
#include "platform/process_query.h"
#include "platform/registry.h"
#include "platform/unicode.h"
