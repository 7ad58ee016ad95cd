# make run   builds and runs the bundled example into out/example/
# make test  builds and runs every test, then again under ASan and UBSan, the
#            threaded trial runs under TSan, and the core with -Werror

BUILD_DIR := build
SANITIZE_DIR := build-sanitize
TSAN_DIR := build-tsan
WERROR_DIR := build-werror
JOBS := $(shell nproc 2>/dev/null || echo 2)
EXAMPLE_DIR := out/example
REPORT := $(BUILD_DIR)/src/report/kolvane_report
FUZZ_DIR := build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all deps build run test test-deps test-release test-sanitize test-tsan test-werror docs-image bench fuzz clean

all: build

deps:
	@scripts/ensure-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DKOLVANE_BENCH=ON -DKOLVANE_REPORT=ON >/dev/null
	@cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	@rm -rf $(EXAMPLE_DIR) && mkdir -p $(EXAMPLE_DIR)
	@cp examples/pyroshock.srs $(EXAMPLE_DIR)/
	cd $(EXAMPLE_DIR) && ../../$(BUILD_DIR)/kolvane_zpa < ../../examples/pyroshock.answers
	@# The verdict may be a fail (status 2); only unusable input stops make.
	$(REPORT) $(EXAMPLE_DIR)/pyroshock.srs $(EXAMPLE_DIR) || test $$? -eq 2

# The README's SRS plot of the bundled example.
docs-image: run
	@mkdir -p docs
	cp $(EXAMPLE_DIR)/srs.svg docs/example-srs.svg

test: test-deps test-release test-sanitize test-tsan test-werror

# The report's browser test renders its page in headless Chromium.
test-deps:
	@scripts/report-browser-deps.sh

test-release: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLVANE_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_DIR) -j$(JOBS)
	cd $(SANITIZE_DIR) && ctest --output-on-failure -j$(JOBS)

# ThreadSanitizer over the tests that run trials on several threads: the same
# run on 1, 2 and 3 threads, with and without a checkpoint and with a
# checkpoint that fails, and the golden transcript (the program on every
# core). Kept small: TSan slows them manyfold.
TSAN_TESTS := ^(TrialRun\.(MatchesTheGoldenTranscriptByteForByte|RepeatedRunsAndEveryThreadCountGiveIdenticalOutput|CheckpointsGiveIdenticalOutputOnEveryThreadCount)|OutputFiles\.FailedIntermediateOutputEndsTheRunOnEveryThreadCount)$$
test-tsan: deps
	@cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLVANE_TSAN=ON -DKOLVANE_BENCH=OFF \
		-DKOLVANE_REPORT=OFF >/dev/null
	@cmake --build $(TSAN_DIR) -j$(JOBS) --target kolvane_tests
	cd $(TSAN_DIR) && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j$(JOBS) -R '$(TSAN_TESTS)'

# The core and the program under -Werror with -Wconversion -Wshadow
# -Wdouble-promotion -Wpedantic; a build only, no tests.
test-werror: deps
	@cmake -S . -B $(WERROR_DIR) -DCMAKE_BUILD_TYPE=Release -DKOLVANE_WERROR=ON -DKOLVANE_BENCH=OFF \
		-DKOLVANE_REPORT=OFF >/dev/null
	@cmake --build $(WERROR_DIR) -j$(JOBS) --target kolvane_core kolvane_zpa

bench: build
	bench/run.sh

# libFuzzer runs of the specification reader and the dialogue (clang), each
# for FUZZ_SECONDS on a copy of its seed corpus.
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLVANE_FUZZ=ON \
		-DKOLVANE_BENCH=OFF -DKOLVANE_REPORT=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j$(JOBS) --target spec_reader_fuzz dialogue_fuzz
	fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(TSAN_DIR) $(WERROR_DIR) $(FUZZ_DIR) out
