# make run   builds and runs the bundled example into out/example/
# make test  builds and runs every test, then again under ASan and UBSan

BUILD_DIR := build
SANITIZE_DIR := build-sanitize
JOBS := $(shell nproc 2>/dev/null || echo 2)
EXAMPLE_DIR := out/example
REPORT := $(BUILD_DIR)/src/report/kolvane_report
FUZZ_DIR := build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all deps build run test test-deps test-release test-sanitize docs-image bench bench-fit fuzz clean

all: build

deps:
	@scripts/ensure-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DKOLVANE_BENCH=ON -DKOLVANE_REPORT=ON >/dev/null
	@cmake --build $(BUILD_DIR) -j$(JOBS)

# The run synthesises against pyroshock-extended.srs (pyroshock.srs with one
# point a grid step above 10 kHz, so that the synthesis grid covers the whole
# band) and is judged against the original pyroshock.srs.
run: build
	@rm -rf $(EXAMPLE_DIR) && mkdir -p $(EXAMPLE_DIR)
	@cp examples/pyroshock.srs examples/pyroshock-extended.srs $(EXAMPLE_DIR)/
	cd $(EXAMPLE_DIR) && ../../$(BUILD_DIR)/kolvane_zpa < ../../examples/pyroshock.answers
	@# The verdict may be a fail (status 2); only unusable input stops make.
	$(REPORT) $(EXAMPLE_DIR)/pyroshock.srs $(EXAMPLE_DIR) || test $$? -eq 2

# The README's SRS plot of the bundled example.
docs-image: run
	@mkdir -p docs
	cp $(EXAMPLE_DIR)/srs.svg docs/example-srs.svg

test: test-deps test-release test-sanitize

# The report's browser test renders its page in headless Chromium.
test-deps:
	@scripts/report-browser-deps.sh

test-release: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLVANE_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_DIR) -j$(JOBS)
	cd $(SANITIZE_DIR) && ctest --output-on-failure -j$(JOBS)

bench: build
	bench/run.sh

# Whole fits of three specifications with kolvane_fit.
bench-fit: build
	bench/fit.sh

# libFuzzer runs of the specification reader, the dialogue and the report's
# readers (clang), each for FUZZ_SECONDS on a copy of its seed corpus.
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLVANE_FUZZ=ON \
		-DKOLVANE_BENCH=OFF -DKOLVANE_REPORT=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j$(JOBS) --target spec_reader_fuzz dialogue_fuzz report_readers_fuzz
	fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) out
