# make run      builds the program and the report, runs the bundled example into out/example/
# make test     builds and runs every test, then again under ASan and UBSan, the
#               threaded runs, export and fit under TSan, and the commands with -Werror
# make install  puts the commands into $(PREFIX)/bin (PREFIX=/usr/local unless given)

# The builds below are make too: no "Entering directory" lines from them.
MAKEFLAGS += --no-print-directory

BUILD_DIR := build
SANITIZE_DIR := build-sanitize
TSAN_DIR := build-tsan
WERROR_DIR := build-werror
JOBS := $(shell nproc 2>/dev/null || echo 2)
EXAMPLE_DIR := out/example
REPORT := $(BUILD_DIR)/kolvane_report
FUZZ_DIR := build-fuzz
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local
# The Python the module is built for: Debian's, whose pybind11 and NumPy
# packages it goes with, ahead of any other python3 on the PATH.
PYTHON := $(shell test -x /usr/bin/python3 && echo /usr/bin/python3 || command -v python3)
# Every build that runs the tests.
TEST_OPTIONS := -DKOLVANE_TESTS=ON -DPython_EXECUTABLE=$(PYTHON)

.PHONY: all deps build run install test test-deps test-release test-sanitize test-tsan test-werror docs-image bench bench-fit bench-export fuzz clean

all: build

# What the program and the report need; the test, bench and fuzz steps add theirs.
deps:
	@scripts/ensure-deps.sh run

# Only the commands (kolvane_commands): no test or benchmark library needed.
build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DPython_EXECUTABLE=$(PYTHON) >/dev/null
	@cmake --build $(BUILD_DIR) -j$(JOBS) --target kolvane_commands

# The run synthesises against pyroshock-extended.srs (pyroshock.srs with one
# point a grid step above 10 kHz, so that the synthesis grid covers the whole
# band) and is judged against the original pyroshock.srs.
run: build
	@rm -rf $(EXAMPLE_DIR) && mkdir -p $(EXAMPLE_DIR)
	@cp examples/pyroshock.srs examples/pyroshock-extended.srs $(EXAMPLE_DIR)/
	cd $(EXAMPLE_DIR) && ../../$(BUILD_DIR)/kolvane_zpa < ../../examples/pyroshock.answers
	@# The verdict may be a fail (status 2); only unusable input stops make.
	$(REPORT) $(EXAMPLE_DIR)/pyroshock.srs $(EXAMPLE_DIR) || test $$? -eq 2

# The commands and, when pybind11 is there, the Python module.
install: build
	@cmake --build $(BUILD_DIR) -j$(JOBS) --target kolvane_installed
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# The README's SRS plot of the bundled example.
docs-image: run
	@mkdir -p docs
	cp $(EXAMPLE_DIR)/srs.svg docs/example-srs.svg

test: test-deps test-release test-sanitize test-tsan test-werror

# GoogleTest, and headless Chromium for the report's browser test.
test-deps:
	@scripts/ensure-deps.sh test

test-release: test-deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(TEST_OPTIONS) >/dev/null
	@cmake --build $(BUILD_DIR) -j$(JOBS)
	cd $(BUILD_DIR) && ctest --output-on-failure --no-tests=error -j$(JOBS)

test-sanitize: test-deps
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLVANE_SANITIZE=ON $(TEST_OPTIONS) >/dev/null
	@cmake --build $(SANITIZE_DIR) -j$(JOBS)
	cd $(SANITIZE_DIR) && ctest --output-on-failure --no-tests=error -j$(JOBS)

# ThreadSanitizer over the tests that run trials on several threads: the same
# run on 1, 2 and 3 threads, with and without a checkpoint and with a
# checkpoint that fails, two runs at once in one process, and the golden
# transcript (the program on every core); the export, whose check and
# writers run on threads of their own; a shaker fit, whose attempts run side
# by side. Kept small: TSan slows them manyfold.
TSAN_TESTS := ^(TrialRun\.(MatchesTheGoldenTranscriptByteForByte|RepeatedRunsAndEveryThreadCountGiveIdenticalOutput|CheckpointsGiveIdenticalOutputOnEveryThreadCount|TwoRunsAtOnceInOneProcessKeepToTheirOwnFolders)|OutputFiles\.FailedIntermediateOutputEndsTheRunOnEveryThreadCount|export\.ExportCommand\..*|fit\.FitCommand\.AShakerFitLengthensTheDurationOrSaysWhatMustChange)$$
test-tsan: test-deps
	@cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLVANE_TSAN=ON $(TEST_OPTIONS) -DKOLVANE_BENCH=OFF >/dev/null
	@cmake --build $(TSAN_DIR) -j$(JOBS) --target kolvane_tests kolvane_export_tests kolvane_fit_tests
	cd $(TSAN_DIR) && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j$(JOBS) --no-tests=error -R '$(TSAN_TESTS)'

# The commands and their libraries under -Werror with -Wconversion -Wshadow
# -Wdouble-promotion -Wpedantic; a build only, no tests.
test-werror: test-deps
	@cmake -S . -B $(WERROR_DIR) -DCMAKE_BUILD_TYPE=Release -DKOLVANE_WERROR=ON -DKOLVANE_BENCH=OFF $(TEST_OPTIONS) >/dev/null
	@cmake --build $(WERROR_DIR) -j$(JOBS) --target kolvane_commands kolvane_tests kolvane_report_tests \
		kolvane_export_tests kolvane_fit_tests

bench:
	@scripts/ensure-deps.sh bench
	bench/run.sh

# Whole fits with kolvane_fit, with and without a shaker.
bench-fit: deps
	bench/fit.sh

# kolvane_export on the longest record a run writes, with and without resampling.
bench-export: deps
	bench/export.sh

# libFuzzer runs of the specification reader, the dialogue and the report's
# readers (clang), each for FUZZ_SECONDS on a copy of its seed corpus.
fuzz:
	@scripts/ensure-deps.sh fuzz
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLVANE_FUZZ=ON \
		-DKOLVANE_BENCH=OFF -DKOLVANE_REPORT=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j$(JOBS) --target spec_reader_fuzz dialogue_fuzz report_readers_fuzz tool_inputs_fuzz
	fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(TSAN_DIR) $(WERROR_DIR) $(FUZZ_DIR) out
