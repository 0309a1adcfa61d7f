#pragma once
// Whether this build runs under AddressSanitizer: GCC says so with __SANITIZE_ADDRESS__, clang 14
// only through __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define TOVALUNE_TESTS_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOVALUNE_TESTS_UNDER_ASAN 1
#endif
#endif
#ifndef TOVALUNE_TESTS_UNDER_ASAN
#define TOVALUNE_TESTS_UNDER_ASAN 0
#endif
