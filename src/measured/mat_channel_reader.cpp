#include <cmath>
#include <cstdint>
#include <limits>

#include <matio.h>

#include "measured/channel_readers.h"

namespace {

std::string lowered(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

struct VariableInfo {
    std::string name;
    bool vector = false;  // real numbers, 1 x N or N x 1
    bool text = false;
    std::size_t length = 0;
};

// The numbers of a real vector or scalar, as doubles, and the rounding of
// its type at each (for a time vector).
bool readNumbers(mat_t* file, const std::string& name, std::vector<double>& values, bool& single) {
    matvar_t* variable = Mat_VarRead(file, name.c_str());
    if (variable == nullptr) return false;
    bool read = variable->isComplex == 0 && variable->data != nullptr && variable->rank == 2 &&
                (variable->dims[0] == 1 || variable->dims[1] == 1);
    if (read) {
        const std::size_t n = variable->dims[0] * variable->dims[1];
        values.resize(n);
        single = variable->data_type == MAT_T_SINGLE;
        switch (variable->data_type) {
            case MAT_T_DOUBLE:
                for (std::size_t i = 0; i < n; ++i) values[i] = static_cast<const double*>(variable->data)[i];
                break;
            case MAT_T_SINGLE:
                for (std::size_t i = 0; i < n; ++i) values[i] = static_cast<const float*>(variable->data)[i];
                break;
            case MAT_T_INT16:
                for (std::size_t i = 0; i < n; ++i) values[i] = static_cast<const std::int16_t*>(variable->data)[i];
                break;
            case MAT_T_INT32:
                for (std::size_t i = 0; i < n; ++i) values[i] = static_cast<const std::int32_t*>(variable->data)[i];
                break;
            default:
                read = false;
        }
    }
    Mat_VarFree(variable);
    return read;
}

bool readText(mat_t* file, const std::string& name, std::string& text) {
    matvar_t* variable = Mat_VarRead(file, name.c_str());
    if (variable == nullptr) return false;
    const bool read =
        variable->class_type == MAT_C_CHAR && variable->data != nullptr &&
        (variable->data_type == MAT_T_UINT8 || variable->data_type == MAT_T_UTF8 || variable->data_type == MAT_T_INT8);
    if (read) text.assign(static_cast<const char*>(variable->data), variable->dims[0] * variable->dims[1]);
    Mat_VarFree(variable);
    return read;
}

const VariableInfo* named(const std::vector<VariableInfo>& variables, std::initializer_list<const char*> names,
                          bool wantVector) {
    for (const char* wanted : names) {
        for (const VariableInfo& v : variables) {
            if (lowered(v.name) == wanted && (wantVector ? v.vector : v.length == 1)) return &v;
        }
    }
    return nullptr;
}

// "acceleration: G" in a units text such as our export writes.
std::string unitAfter(const std::string& units, const std::string& quantity) {
    const std::size_t at = lowered(units).find(quantity + ":");
    if (at == std::string::npos) return "";
    std::size_t start = units.find_first_not_of(' ', at + quantity.size() + 1);
    if (start == std::string::npos) return "";
    const std::size_t end = units.find(',', start);
    return units.substr(start, end == std::string::npos ? end : end - start);
}

}  // namespace

bool readMatChannel(const std::string& path, const MeasuredReadOptions& options, RawChannel& channel,
                    std::string& error) {
    mat_t* file = Mat_Open(path.c_str(), MAT_ACC_RDONLY);
    if (file == nullptr) {
        error = "not a MATLAB file matio can read";
        return false;
    }
    std::vector<VariableInfo> variables;
    while (matvar_t* info = Mat_VarReadNextInfo(file)) {
        VariableInfo v;
        v.name = info->name == nullptr ? "" : info->name;
        v.text = info->class_type == MAT_C_CHAR;
        v.vector = !v.text && info->isComplex == 0 && info->rank == 2 && (info->dims[0] == 1 || info->dims[1] == 1) &&
                   (info->class_type == MAT_C_DOUBLE || info->class_type == MAT_C_SINGLE ||
                    info->class_type == MAT_C_INT16 || info->class_type == MAT_C_INT32);
        v.length = info->rank == 2 ? info->dims[0] * info->dims[1] : 0;
        variables.push_back(v);
        Mat_VarFree(info);
    }
    std::string list;
    for (const VariableInfo& v : variables) list += (list.empty() ? "" : ", ") + v.name;
    const auto fail = [&](const std::string& reason) {
        error = reason + " (its variables: " + (list.empty() ? "none" : list) + ")";
        Mat_Close(file);
        return false;
    };
    const auto find = [&](const std::string& name) -> const VariableInfo* {
        for (const VariableInfo& v : variables) {
            if (v.name == name) return &v;
        }
        return nullptr;
    };

    const VariableInfo* accel = nullptr;
    if (!options.accelColumn.empty()) {
        accel = find(options.accelColumn);
        if (accel == nullptr || !accel->vector)
            return fail("no numeric vector is named \"" + options.accelColumn + "\"");
    } else {
        accel = named(variables, {"acceleration", "accel", "acc", "a", "y", "data"}, true);
        if (accel == nullptr) {
            return fail("no variable is named acceleration, accel, acc or a: --column NAME chooses the acceleration");
        }
    }
    const VariableInfo* time = nullptr;
    if (!options.timeColumn.empty()) {
        time = find(options.timeColumn);
        if (time == nullptr || !time->vector) return fail("no numeric vector is named \"" + options.timeColumn + "\"");
    } else {
        time = named(variables, {"t", "time", "x"}, true);
        if (time != nullptr && time->length != accel->length) time = nullptr;
    }
    std::vector<double> values;
    bool single = false;
    if (!readNumbers(file, accel->name, channel.acceleration, single)) return fail(accel->name + " does not read");
    channel.channel = "variable " + accel->name;
    if (time != nullptr) {
        if (time->length != accel->length) {
            return fail(time->name + " holds " + std::to_string(time->length) + " times for " +
                        std::to_string(accel->length) + " samples");
        }
        if (!readNumbers(file, time->name, channel.times.time, single)) return fail(time->name + " does not read");
        const double epsilon = single ? static_cast<double>(std::numeric_limits<float>::epsilon())
                                      : std::numeric_limits<double>::epsilon();
        for (const double t : channel.times.time) channel.times.rounding.push_back(2.0 * epsilon * std::fabs(t));
    } else if (const VariableInfo* rate =
                   named(variables, {"sample_rate", "fs", "rate", "sampling_rate", "sr"}, false)) {
        if (!readNumbers(file, rate->name, values, single) || values.size() != 1 || !(values[0] > 0.0)) {
            return fail(rate->name + " is not a positive sample rate");
        }
        channel.step = 1.0 / values[0];
        channel.startTime = 0.0;
    } else if (const VariableInfo* dt = named(variables, {"dt", "step", "time_step"}, false)) {
        if (!readNumbers(file, dt->name, values, single) || values.size() != 1 || !(values[0] > 0.0)) {
            return fail(dt->name + " is not a positive time step");
        }
        channel.step = values[0];
        channel.startTime = 0.0;
    } else {
        return fail("no time vector as long as " + accel->name +
                    " (t or time), and no sample rate (sample_rate or fs) "
                    "or step (dt)");
    }
    std::string units;
    if (const VariableInfo* text = find("units"); text != nullptr && text->text && readText(file, "units", units)) {
        channel.accelUnit = unitAfter(units, lowered(accel->name));
        if (channel.accelUnit.empty()) channel.accelUnit = unitAfter(units, "acceleration");
        channel.velocityUnit = unitAfter(units, "velocity");
    }
    Mat_Close(file);
    return true;
}
