#include "main/unit_table.h"

UnitTable UNIT_TABLE;
