# Set-up commands: `make run` starts the program in run/, `make test` builds and runs every test.
JOBS ?= 2
RELEASE_DIR := build/release
ASAN_DIR := build/asan

.PHONY: run test release asan deps format clean data fit fit-tool bench fuzz

deps:
	@bash tools/setup.sh

release: deps
	@cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DXALT1_TESTS=OFF >/dev/null
	@cmake --build $(RELEASE_DIR) -j$(JOBS) --target xalt1

run: release
	@mkdir -p run
	@cp data/x_rstoff.tab run/x_rstoff.tab
	@cd run && ../$(RELEASE_DIR)/xalt1

asan: deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DXALT1_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_DIR) -j$(JOBS)

test: asan
	@cd $(ASAN_DIR) && ctest --output-on-failure -j$(JOBS)

# The substance table: `make data` refits from the stored term selection and start values in
# tools/fit/fit_state.txt and rewrites data/x_rstoff.tab and docs/accuracy.md; `make fit` runs
# the full search that produces fit_state.txt (see tools/fit/README.md).
REFERENCE ?= ../shared/data/reference
FIT_TOOL := $(RELEASE_DIR)/tools/fit/xalt1_fit

fit-tool: deps
	@cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DXALT1_TESTS=OFF >/dev/null
	@cmake --build $(RELEASE_DIR) -j$(JOBS) --target xalt1_fit_tool

data: fit-tool
	@$(FIT_TOOL) data $(REFERENCE) tools/fit/fit_state.txt data/x_rstoff.tab docs

fit: fit-tool
	@$(FIT_TOOL) search $(REFERENCE) tools/fit/fit_state.txt
	@$(FIT_TOOL) polish $(REFERENCE) tools/fit/fit_state.txt tools/fit/fit_state.txt
	@$(FIT_TOOL) tune $(REFERENCE) tools/fit/fit_state.txt tools/fit/fit_state.txt 8 30

# Benchmarks (Release build): the table is BENCH_TABLE (default the shipped one), medians of
# BENCH_REPETITIONS runs, each figure with its ratio to the floor sweep of the same run.
BENCH_TABLE ?= data/x_rstoff.tab
BENCH_REPETITIONS ?= 5
bench: deps
	@cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DXALT1_TESTS=OFF >/dev/null
	@cmake --build $(RELEASE_DIR) -j$(JOBS) --target xalt1_bench
	@$(RELEASE_DIR)/bench/xalt1_bench --table=$(BENCH_TABLE) \
		--benchmark_repetitions=$(BENCH_REPETITIONS) --benchmark_report_aggregates_only=true \
		$(BENCH_ARGS)

# Robustness campaign (clang, libFuzzer, sanitizers; not part of `make test`): table fuzzing for
# FUZZ_TABLE_SECONDS seconds, then FUZZ_SESSIONS scripted sessions of the sanitizer build.
FUZZ_DIR := build/fuzz
FUZZ_TABLE_SECONDS ?= 600
FUZZ_SESSIONS ?= 2000
fuzz: deps
	@bash fuzz/setup.sh
	@cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DXALT1_TESTS=OFF -DXALT1_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) -j$(JOBS) --target table_fuzzer xalt1_checked session_fuzzer
	@FUZZ_TABLE_SECONDS=$(FUZZ_TABLE_SECONDS) FUZZ_SESSIONS=$(FUZZ_SESSIONS) bash fuzz/run.sh

format:
	@find src tests tools bench -name '*.cpp' -o -name '*.h' 2>/dev/null | xargs clang-format -i

clean:
	@rm -rf build
