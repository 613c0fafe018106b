// Number editing for formatted records: Fw.d, Ew.dEe and Gw.dEe fields. A value that does not
// fit its field is written as w asterisks.
#pragma once

#include <string>

// Fixed point, right-aligned in w columns with d decimals; the "0" before the point is dropped
// when the field is too narrow for it (0.5 in F7.6 is ".500000").
std::string edit_F(double value, int w, int d);
// Exponent form: a mantissa below 1 with d digits, "E", the exponent's sign and e digits.
std::string edit_E(double value, int w, int d, int e);
// Fixed form for moderate magnitudes, exponent form otherwise; zero as 0.000 and blanks.
std::string edit_G(double value, int w, int d, int e);
