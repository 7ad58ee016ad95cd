#include "python/python_inputs.h"

#include <cmath>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "common/number_format.h"
#include "common/text_file.h"

namespace py = pybind11;

namespace {

bool isPathLike(const py::object& object) {
    return py::isinstance<py::str>(object) || py::hasattr(object, "__fspath__");
}

std::string canonicalLine(double frequency, double level) {
    std::string line;
    appendFormat(line, "%.17g %.17g\n", frequency, level);
    return line;
}

}  // namespace

std::string pathText(const py::object& path) { return py::str(py::module_::import("os").attr("fspath")(path)); }

std::string readInputFile(const std::string& path) {
    std::string text;
    std::string reason;
    if (!readWholeFile(path, text, reason)) throw FileProblem("cannot read " + path + ": " + reason);
    return text;
}

SpecInput specificationFrom(const py::object& spec) {
    SpecInput input;
    std::string error;
    if (isPathLike(spec)) {
        const std::string path = pathText(spec);
        input.bytes = readInputFile(path);
        input.fromFile = true;
        const std::size_t slash = path.find_last_of('/');
        input.fileName = slash == std::string::npos ? path : path.substr(slash + 1);
        if (!readSpecText(input.bytes, path, input.spec, error)) throw std::invalid_argument(error);
        input.spec.path = path;
        return input;
    }
    std::vector<double> frequency;
    std::vector<double> level;
    if (py::isinstance<py::dict>(spec)) {
        const py::dict points = spec.cast<py::dict>();
        if (points.contains("frequency") && points.contains("level")) {
            frequency = py::cast<std::vector<double>>(points["frequency"]);
            level = py::cast<std::vector<double>>(points["level"]);
        } else {
            for (const auto& [f, l] : points) {
                frequency.push_back(py::cast<double>(f));
                level.push_back(py::cast<double>(l));
            }
        }
    } else {
        const py::array_t<double, py::array::c_style | py::array::forcecast> table(spec);
        if (table.ndim() != 2 || table.shape(1) != 2) {
            throw std::invalid_argument("a specification array has two columns, frequency and level (its shape is " +
                                        std::string(py::str(py::tuple(spec.attr("shape")))) + ")");
        }
        for (py::ssize_t i = 0; i < table.shape(0); ++i) {
            frequency.push_back(table.at(i, 0));
            level.push_back(table.at(i, 1));
        }
    }
    if (frequency.size() != level.size()) {
        throw std::invalid_argument("a specification needs as many levels as frequencies");
    }
    for (std::size_t i = 0; i < frequency.size(); ++i) {
        if (!std::isfinite(frequency[i]) || !std::isfinite(level[i])) {
            throw std::invalid_argument("specification point " + std::to_string(i + 1) +
                                        " is not a pair of finite numbers");
        }
        input.bytes += canonicalLine(frequency[i], level[i]);
    }
    input.fileName = canonicalSpecName;
    if (!readSpecText(input.bytes, canonicalSpecName, input.spec, error)) throw std::invalid_argument(error);
    input.spec.path = canonicalSpecName;
    return input;
}

std::optional<ShakerLimits> shakerFrom(const py::object& shaker) {
    if (shaker.is_none()) return std::nullopt;
    ShakerLimits limits;
    std::string error;
    if (isPathLike(shaker)) {
        const std::string path = pathText(shaker);
        readInputFile(path);
        if (!readShakerFile(path, limits, error)) throw std::invalid_argument(error);
        return limits;
    }
    if (!py::isinstance<py::dict>(shaker)) {
        throw std::invalid_argument("a shaker is a file's name or a dict of its limits");
    }
    std::string text;
    for (const auto& [key, value] : shaker.cast<py::dict>()) {
        text += std::string(py::str(key)) + " = ";
        if (py::isinstance<py::str>(value)) {
            text += std::string(py::str(value));
        } else {
            appendFormat(text, "%.17g", py::cast<double>(value));
        }
        text += "\n";
    }
    if (!parseShakerText(text, "shaker", limits, error)) throw std::invalid_argument(error);
    return limits;
}
