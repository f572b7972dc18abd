#pragma once

#include <cstdint>
#include <random>

namespace kelvarin::exchange {

// The standard distributions may give different numbers on different
// standard libraries; the exchange's data must not, so every draw is plain
// arithmetic on the engine's raw output, which the standard does fix.
class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : m_engine(seed) {}

    std::uint64_t Next() { return m_engine(); }
    // Uniform in [0, bound); bound 0 gives 0.
    std::uint64_t Below(std::uint64_t bound);
    // Uniform in [low, high].
    long Between(long low, long high);
    // Uniform in [0, 1) with 53 random bits.
    double Unit();
    bool Chance(double probability) { return Unit() < probability; }
    // Roughly standard normal (sum of four uniforms), bounded to about +-3.5,
    // which keeps a random walk free of absurd jumps.
    double Gaussian();

private:
    std::mt19937_64 m_engine;
};

} // namespace kelvarin::exchange
