#include <span>

#include "api/solve.h"

namespace xalt1::detail {

namespace {

using G = Given;
constexpr PairRow kPairs[INPUT_COUNT] = {
    {Input::TD, G::T, G::D, "T", "D", solve_TD}, {Input::Tp, G::T, G::p, "T", "p", solve_Tp},
    {Input::pD, G::p, G::D, "p", "D", solve_pD}, {Input::ph, G::p, G::h, "p", "h", solve_ph},
    {Input::ps, G::p, G::s, "p", "s", solve_ps}, {Input::Tx, G::T, G::x, "T", "x", solve_Tx},
    {Input::px, G::p, G::x, "p", "x", solve_px}, {Input::hs, G::h, G::s, "h", "s", solve_hs},
    {Input::Th, G::T, G::h, "T", "h", solve_Th}, {Input::Ts, G::T, G::s, "T", "s", solve_Ts},
    {Input::Dh, G::D, G::h, "D", "h", solve_Dh}, {Input::Ds, G::D, G::s, "D", "s", solve_Ds},
    {Input::Du, G::D, G::u, "D", "u", solve_Du}, {Input::pu, G::p, G::u, "p", "u", solve_pu},
    {Input::hx, G::h, G::x, "h", "x", solve_hx}, {Input::sx, G::s, G::x, "s", "x", solve_sx},
};

}  // namespace

const PairRow& pair_row(Input input) {
    return kPairs[static_cast<std::size_t>(input)];
}

std::span<const PairRow> pair_rows() {
    return kPairs;
}

}  // namespace xalt1::detail
