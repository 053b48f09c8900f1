# The two set-up commands are `make run` and `make test`; both install what is
# missing first, then configure and build into build/.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/quillery

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	./$(BUILD_DIR)/bench/quillery-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	./$(BUILD_DIR)/bench/quillery-view-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

# Every kana and first-level kanji replayed into one font through the real
# editor, then checked; the numbers go to docs/benchmarks.md by hand.
.PHONY: proof
proof: build
	/usr/bin/python3 tests/proof/full_size_proof.py --autocreate $(BUILD_DIR)/quillery-autocreate \
		--workdir $(BUILD_DIR)/proof --json $(BUILD_DIR)/proof/result.json

clean:
	rm -rf $(BUILD_DIR)
