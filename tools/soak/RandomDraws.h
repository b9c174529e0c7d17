#pragma once

#include <random>

// A number from 0 to bound - 1.
inline int below(std::mt19937& random, int bound) {
    return std::uniform_int_distribution<int>(0, bound - 1)(random);
}

// True one time in every.
inline bool oneIn(std::mt19937& random, int every) {
    return below(random, every) == 0;
}

inline bool coinFlip(std::mt19937& random) {
    return oneIn(random, 2);
}
