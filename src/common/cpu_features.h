#pragma once

// The one place that knows which instruction sets the kernels may use.
//
// On x86 every kernel is also compiled for AVX2 and AVX-512 (through target
// attributes, so the program still runs on the baseline SSE2 processor);
// KOLVANE_X86_KERNELS says those variants exist. Which of them runs is then
// decided by what the processor offers, asked once per run.
#if defined(__x86_64__) || defined(__i386__)
#define KOLVANE_X86_KERNELS 1
#endif

enum class InstructionSet { sse2, avx2, avx512 };

// Whether this processor runs code for `set`. SSE2 stands for the baseline
// two-lane vectors, which every target has; the wider sets only exist on x86.
bool cpuOffers(InstructionSet set);

// The plain build (KOLVANE_PLAIN_KERNELS) keeps the sample-major spectrum
// loop and a synthesis that evaluates every sine in every pass: the baseline
// the faster kernels are measured against.
#ifdef KOLVANE_PLAIN_KERNELS
constexpr bool plainKernelsOnly = true;
#else
constexpr bool plainKernelsOnly = false;
#endif
