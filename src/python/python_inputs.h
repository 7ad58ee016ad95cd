#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include <pybind11/pybind11.h>

#include "run_folder/shaker.h"
#include "spec/spec_text.h"

// What the module takes from Python as the commands take their files: a
// specification or a shaker as a file's name, an array or a dict.

// A file that cannot be read: OSError in Python. A ValueError is a
// std::invalid_argument, which pybind11 turns into one.
struct FileProblem : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A specification and the text a run reads it from: the file's own bytes,
// or, for points given from Python, the canonical text "f level" a line with
// 17 significant digits (which reads back to the same doubles), under the
// name `canonicalSpecName`.
struct SpecInput {
    SpecText spec;
    std::string fileName;  // as a run's answers name it
    std::string bytes;     // the text to put in the run's folder
    bool fromFile = false;
};

constexpr const char* canonicalSpecName = "specification.srs";

// A file's name (str or path), an N x 2 array of frequency and level, or a
// dict with "frequency" and "level" sequences (or of frequency: level). Read
// strictly, as the report and the fit read a specification: the same words
// on a refusal.
SpecInput specificationFrom(const pybind11::object& spec);

// None, a shaker file's name, or a dict of its keys ("stroke_mm_pk_pk": 76.2,
// ...), read by the shaker file's own rules.
std::optional<ShakerLimits> shakerFrom(const pybind11::object& shaker);

// The text of a file the module must read whole, or FileProblem.
std::string readInputFile(const std::string& path);

// A path-like object's text.
std::string pathText(const pybind11::object& path);
