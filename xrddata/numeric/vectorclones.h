// XRDDATA_VECTOR_CLONES before a function builds it twice, for processors with 256-bit vectors (AVX2) and plainly;
// the loader picks one when the library loads (an indirect function). Without fused multiply-add in either build
// both give the same bits. Sanitizer builds get the plain build only: the loader runs the picker before the
// sanitizer's runtime is ready, and an instrumented picker crashes there.
#pragma once

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define XRDDATA_NO_VECTOR_CLONES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define XRDDATA_NO_VECTOR_CLONES 1
#endif
#endif

#if defined(XRDDATA_NO_VECTOR_CLONES) || !defined(__x86_64__)
#define XRDDATA_VECTOR_CLONES
#else
#define XRDDATA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif
