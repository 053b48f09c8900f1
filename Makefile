# The two set-up commands are `make run` and `make test`; both install what is
# missing first, then configure and build into build/.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps deps-bench configure build run test bench clean install test-asan fuzz-build fuzz-ci fuzz

all: build

deps:
	@scripts/install-deps

# The benchmarks also need FontForge (the pipeline they compare with).
deps-bench:
	@scripts/install-deps bench

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/quillery

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build deps-bench
	./$(BUILD_DIR)/bench/quillery-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	./$(BUILD_DIR)/bench/quillery-view-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	/usr/bin/python3 bench/journal_bench.py 500
	./$(BUILD_DIR)/bench/quillery-preview-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

# quillery-autocreate against the plainest good FontForge pipeline on the same
# 300 kanji, interleaved, three runs each; the numbers go to docs/benchmarks.md.
.PHONY: bench-compare
bench-compare: build deps-bench
	/usr/bin/python3 bench/compare_pipeline.py --build $(BUILD_DIR) --workdir $(BUILD_DIR)/bench-compare \
		--json $(BUILD_DIR)/bench-compare.json

# Every kana and first-level kanji replayed into one font through the real
# editor, then checked; the numbers go to docs/benchmarks.md by hand.
.PHONY: proof
proof: build
	/usr/bin/python3 tests/proof/full_size_proof.py --autocreate $(BUILD_DIR)/quillery-autocreate \
		--workdir $(BUILD_DIR)/proof --json $(BUILD_DIR)/proof/result.json

clean:
	rm -rf $(BUILD_DIR)

# Both programs, the font editor server, the templates, the help file, the
# desktop entry, the icon and the AppStream metadata under $(PREFIX), staged
# under $(DESTDIR) when it is given (as packagers do).
PREFIX ?= /usr/local
DESTDIR ?=
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# A second build of everything with AddressSanitizer and UndefinedBehavior-
# Sanitizer, leak checking included; any report fails its test. A failed
# allocation returns null as it does without the sanitizer, since tests check
# how the program copes with an image too large to make.
ASAN_DIR ?= build-asan
ASAN_CTEST_FLAGS ?=
SANITIZER_ENV = ASAN_OPTIONS=allocator_may_return_null=1:halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

test-asan: deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DQUILLERY_SANITIZE=ON -DQUILLERY_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && $(SANITIZER_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) $(ASAN_CTEST_FLAGS)

# libFuzzer targets (clang) for every reader of outside data. Each run starts
# from the seeds and kept regression inputs in tests/fuzz/<target>/; what the
# fuzzer adds goes to $(FUZZ_DIR)/corpus, crashing inputs to $(FUZZ_DIR)/artifacts.
FUZZ_DIR ?= build-fuzz
FUZZ_TARGETS = stroke_file pen_file automation_answer dib settings glyph_guide preview_font
FUZZ_CI_FLAGS ?= -runs=2000000 -max_total_time=30
FUZZ_FLAGS ?= -max_total_time=600

fuzz-build: deps
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DQUILLERY_FUZZ=ON -DQUILLERY_BUILD_BENCH=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))

define run-fuzzers
	mkdir -p $(FUZZ_DIR)/artifacts
	set -e; for t in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ_DIR)/corpus/$$t; \
		echo "== fuzz $$t"; \
		$(SANITIZER_ENV) $(FUZZ_DIR)/tests/fuzz/fuzz_$$t $(1) -max_len=65536 -print_final_stats=1 \
			-artifact_prefix=$(FUZZ_DIR)/artifacts/$$t- $(FUZZ_DIR)/corpus/$$t tests/fuzz/$$t; \
	done
endef

fuzz-ci: fuzz-build
	$(call run-fuzzers,$(FUZZ_CI_FLAGS))

fuzz: fuzz-build
	$(call run-fuzzers,$(FUZZ_FLAGS))
