#include "SeededRandom.h"

namespace kelvarin::exchange {

std::uint64_t SeededRandom::Below(std::uint64_t bound) {
    // Multiply-high maps the full 64-bit range onto [0, bound) with a bias
    // far below anything a test could notice, and without a retry loop.
    const unsigned __int128 product = static_cast<unsigned __int128>(Next()) * bound;
    return static_cast<std::uint64_t>(product >> 64);
}

long SeededRandom::Between(long low, long high) {
    const auto span = static_cast<std::uint64_t>(high - low) + 1;
    return low + static_cast<long>(Below(span));
}

double SeededRandom::Unit() {
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}

double SeededRandom::Gaussian() {
    // Irwin-Hall of four: mean 2, variance 1/3; scaled to variance 1.
    // One draw per statement: the order in which operands of one expression
    // are evaluated is unspecified, and the sum must not depend on it.
    double sum = Unit();
    sum += Unit();
    sum += Unit();
    sum += Unit();
    return (sum - 2.0) * 1.7320508075688772;
}

} // namespace kelvarin::exchange
