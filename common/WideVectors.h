#pragma once

// Marks a loop-heavy function to be built twice, for the baseline processor
// and for one with AVX2, the copy picked once at load time: whole-plane
// loops then run twice as many pixels per instruction where they can.
// Sanitizer builds keep the one baseline copy.
#if defined(__SANITIZE_ADDRESS__)
#define VORNAK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORNAK_SANITIZED 1
#endif
#endif

#if defined(__GNUC__) && defined(__x86_64__) && !defined(VORNAK_SANITIZED)
#define VORNAK_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define VORNAK_WIDE_VECTORS
#endif
