#include "main/run_control.h"

int main() {
    MXALT1();
    return 0;
}
