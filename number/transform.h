// The exact product of long operands by number-theoretic transforms: three
// primes below 2^62, cyclic convolutions modulo each, and the Chinese
// remainder theorem back to limbs of base 10^8.
#pragma once

#include <cstddef>
#include <cstdint>

namespace num {

// The product of x (nx limbs) and y (ny limbs), both most significant first,
// into out[0 .. nx + ny), most significant first; the leading limb may be
// zero. x == y with nx == ny is a square, which takes one forward transform
// fewer. Throws "Operation was canceled" once the run flag is down; it is
// polled every few thousand butterflies.
void transformproduct(const std::uint32_t* x, std::size_t nx, const std::uint32_t* y,
                      std::size_t ny, std::uint32_t* out);

// The transform length, in coefficients of three limbs, that a product of
// nx and ny limbs takes: the least 2^k or 3 2^k that holds the convolution.
std::size_t transformlength(std::size_t nx, std::size_t ny);

// Gives back this thread's tables of roots beyond the size of the products
// a key at the calculator's own precision takes, so that the memory a huge
// product needed goes back after it.
void releasetransformroots();

}  // namespace num
