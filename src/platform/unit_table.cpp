#include "platform/unit_table.h"

UnitTable UNIT_TABLE;
