#include "measured/measured_record.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "common/checksum.h"
#include "common/readable_number.h"
#include "common/text_file.h"
#include "measured/channel_readers.h"
#include "measured/printed_times.h"
#include "measured/unit_words.h"

namespace {

// Large records are read whole: 50 million samples as text.
constexpr std::size_t measuredReadLimitBytes = std::size_t{3} << 30;

bool endsWithMat(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".mat";
}

}  // namespace

bool readMeasuredRecord(const std::string& path, const MeasuredReadOptions& options, MeasuredRecord& record,
                        std::string& error) {
    record = MeasuredRecord{};
    record.path = path;
    RawChannel channel;
    std::string reason;
    bool read = false;
    if (endsWithMat(path)) {
        record.format = MeasuredFormat::mat;
        if (!checksumFile(path, record.checksum)) {
            std::string unused;
            if (!readWholeFile(path, unused, reason, 1)) {
                error = "cannot read " + path + ": " + reason;
                return false;
            }
        }
        read = readMatChannel(path, options, channel, reason);
    } else {
        std::string text;
        if (!readWholeFile(path, text, reason, measuredReadLimitBytes)) {
            error = "cannot read " + path + ": " + reason;
            return false;
        }
        record.checksum = fnv1a64(text.data(), text.size());
        record.format = looksLikeUff(text) ? MeasuredFormat::uff58 : MeasuredFormat::text;
        read = record.format == MeasuredFormat::uff58 ? readUffChannel(text, options, channel, reason)
                                                      : readTextChannel(text, options, channel, reason);
    }
    if (!read) {
        error = path + ": " + reason;
        return false;
    }
    if (channel.acceleration.size() < 2) {
        error = path + ": the record holds fewer than two samples";
        return false;
    }
    if (channel.acceleration.size() > maxMeasuredSamples) {
        error = path + ": the record holds more than " + std::to_string(maxMeasuredSamples) + " samples";
        return false;
    }
    for (std::size_t i = 0; i < channel.acceleration.size(); ++i) {
        if (!std::isfinite(channel.acceleration[i])) {
            error = path + ": sample " + std::to_string(i + 1) + " of " + channel.channel +
                    " is not a finite number; a record with gaps or overflows cannot be judged";
            return false;
        }
    }
    if (!channel.times.time.empty()) {
        if (!uniformStepOf(channel.times, record.timeStep, reason)) {
            error = path + ": " + reason;
            return false;
        }
        record.startTime = channel.times.time.front();
    } else {
        record.startTime = channel.startTime.value_or(0.0);
        record.timeStep = channel.step.value_or(0.0);
        if (!(record.timeStep > 0.0) || !std::isfinite(record.timeStep) || !std::isfinite(record.startTime)) {
            error = path + ": its time step " + readableNumber(record.timeStep) + " s is not a positive number";
            return false;
        }
    }
    if (!resolveUnits(channel.accelUnit, channel.velocityUnit, options.units, path, record.unitSystem, channel.notes,
                      error)) {
        return false;
    }
    record.channel = channel.channel;
    record.acceleration = std::move(channel.acceleration);
    record.notes = std::move(channel.notes);
    return true;
}
