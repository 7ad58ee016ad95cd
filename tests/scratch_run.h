#pragma once

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "run_folder/run_folder.h"
#include "common/number_format.h"

// A scratch output folder holding a small, consistent run written the way the
// main program writes its files: by default a two-point specification
// (10 Hz at 1 G, 2000 Hz at 100 G) with an SRS exactly on it, English units.
class ScratchRun {
public:
    ScratchRun() {
        char pattern[] = "/tmp/kolvane_report_XXXXXX";
        dir_ = mkdtemp(pattern);
        writeDefaults();
    }
    ~ScratchRun() { std::filesystem::remove_all(dir_); }
    ScratchRun(const ScratchRun&) = delete;
    ScratchRun& operator=(const ScratchRun&) = delete;

    const std::string& dir() const { return dir_; }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    std::string specPath() const { return path("test.srs"); }

    void write(const std::string& name, const std::string& text) const {
        std::ofstream(path(name), std::ios::binary) << text;
    }
    void remove(const std::string& name) const { std::filesystem::remove(path(name)); }
    std::string read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // srs.out in the main program's layout, "%12.3f \t %12.5e \t %12.5e\n".
    void writeSrs(const std::vector<SrsLine>& lines) const {
        std::string text;
        for (const SrsLine& line : lines) {
            appendFormat(text, "%12.3f \t %s \t %s\n", line.frequency, formatExponent(line.positive, 12, 5).c_str(),
                         formatExponent(line.negative, 12, 5).c_str());
        }
        write("srs.out", text);
    }

    void writeUnits(int unitSystem) const {
        static const char* const unitLines[] = {"\n           (G)         (in/sec)     (in)       \n",
                                                "\n           (G)         (m/sec)      (mm)       \n",
                                                "\n           (m/sec^2)   (m/sec)      (mm)       \n"};
        std::string text = "\n           Peak        Peak         Peak         ";
        text += "\n Trial     Accel       Vel          Disp      T.Error      I.Error";
        text += unitLines[unitSystem - 1];
        text += " 0        1.000        2.000        0.500        3.250        0.125 1  44\n";
        write("trials.out", text);
    }

    // A decaying 50 Hz sine sampled at `rate` for `samples` samples, with its
    // running-sum velocity and displacement, in the main program's formats.
    void writeMotion(double rate, int samples, double velocityEnd, double displacementEnd) const {
        const char* timeFormat = rate > 10000.0 ? "%12.8f" : "%12.5f";
        std::string accel, velox, disp;
        const double dt = 1.0 / rate;
        for (int i = 0; i <= samples; ++i) {
            const double t = i * dt;
            const double fraction = static_cast<double>(i) / samples;
            if (i < samples) {
                appendFormat(accel, timeFormat, t);
                appendFormat(accel, " \t %12.4f \n", 10.0 * std::exp(-20.0 * t) * std::sin(314.159 * t));
            }
            appendFormat(velox, timeFormat, t);
            appendFormat(velox, " %12.4f \n", velocityEnd * fraction);
            appendFormat(disp, timeFormat, t);
            appendFormat(disp, " %12.4f \n", displacementEnd * fraction);
        }
        write("accel.out", accel);
        write("velox.out", velox);
        write("disp.out", disp);
    }

private:
    void writeDefaults() const {
        write("test.srs", "10 1\n2000 100\n");
        writeSrs({{10.0, 1.0, 1.0}, {20.0, 1.82662, 1.82662}, {2000.0, 100.0, 100.0}});
        writeUnits(1);
        writeMotion(1000.0, 200, 1.5, -0.25);
        write("rank.out",
              "i=0 \t n=5 \t a=1 \t v=0 \t d=0 \t e=0 \t ie=0\n"
              "i=1 \t n=2 \t a=0 \t v=1 \t d=0 \t e=0 \t ie=0\n"
              "i=2 \t n=2 \t a=2 \t v=0 \t d=0 \t e=0 \t ie=0\n");
        std::string sorted;
        for (const char* measure : {"accel", "vel", "disp", "error", "irror"}) {
            sorted += std::string("\n\n ") + measure + " \n1        1.000 \n0        2.000 \n2        3.000 \n";
        }
        write("rank_d.out", sorted);
        write("wavelet.out",
              "\n No.\t Freq(Hz) \t   Amp(G) \t NHS  \t  Delay(sec) \n"
              "0 \t       10.000 \t        0.125 \t 3 \t      0.00000 \n"
              "1 \t       20.000 \t       -0.250 \t 5 \t      0.01000 \n");
    }

    std::string dir_;
};
