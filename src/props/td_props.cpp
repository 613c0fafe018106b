#include "props/td_props.h"

TdProps TD_PROPS;
