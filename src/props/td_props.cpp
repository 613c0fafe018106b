#include "props/td_props.h"

thread_local constinit TdProps TD_PROPS{};
