#pragma once
// Fuzz tests run their full case counts in the Release build and a tenth of them under the
// address sanitizer, which is about ten times slower.
namespace fuzz {
#ifdef __SANITIZE_ADDRESS__
constexpr int kScale = 10;
#else
constexpr int kScale = 1;
#endif
}  // namespace fuzz
