#include "common/cpu_features.h"

namespace {

struct CpuFeatures {
    bool avx2 = false;
    bool avx512 = false;
};

CpuFeatures askProcessor() {
    CpuFeatures features;
#ifdef KOLVANE_X86_KERNELS
    features.avx2 = __builtin_cpu_supports("avx2");
    features.avx512 = __builtin_cpu_supports("avx512f");
#endif
    return features;
}

}  // namespace

bool cpuOffers(InstructionSet set) {
    // Initialised once, by whichever thread asks first.
    static const CpuFeatures features = askProcessor();
    switch (set) {
        case InstructionSet::sse2: return true;
        case InstructionSet::avx2: return features.avx2;
        case InstructionSet::avx512: return features.avx512;
    }
    return false;
}
