#include "platform/unit_table.h"

thread_local constinit UnitTable UNIT_TABLE{};
