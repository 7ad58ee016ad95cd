#include <cstdio>

#include "spec/spec_table.h"

SpecReadStatus readSpecStream(std::FILE* stream, SpecTable& spec) {
    spec = SpecTable{};
    for (;;) {
        double frequency = 0.0;
        double level = 0.0;
        const int converted = std::fscanf(stream, "%lf %lf", &frequency, &level);
        if (converted < 1) break;
        if (spec.count == maxSpecPoints) return SpecReadStatus::tooManyPoints;
        spec.frequency[spec.count] = frequency;
        spec.level[spec.count] = converted == 2 ? level : 0.0;
        ++spec.count;
    }
    return spec.count == 0 ? SpecReadStatus::noPoints : SpecReadStatus::ok;
}

SpecReadStatus readSpecFile(const char* fileName, SpecTable& spec, std::FILE* console) {
    std::FILE* stream = std::fopen(fileName, "rb");
    if (stream == nullptr) {
        spec = SpecTable{};
        std::fprintf(console, " Failed to open file: %s \n", fileName);
        return SpecReadStatus::openFailed;
    }
    std::fprintf(console, " File: %s opened. \n", fileName);
    const SpecReadStatus status = readSpecStream(stream, spec);
    std::fclose(stream);
    return status;
}
