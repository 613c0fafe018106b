# Set-up commands: `make run` starts the program in run/, `make test` builds and runs every test.
# The program needs only cmake and a C++ compiler; the tests, benchmarks and fitting tool install
# what they need more (tools/setup.sh). Plain `make` builds the program.
JOBS ?= 2
RELEASE_DIR := build/release
TOOLS_DIR := build/tools
ASAN_DIR := build/asan
USER_TABLE := run/x_rstoff.tab
USER_FLUIDS := run/added_fluids.txt

.PHONY: all run csv test release library install package asan python pytest chart format clean \
	data fit fit-tool fluid pair bench bench-tool bench-library bench-c bench-python perf fuzz ranges

all: release
	@echo "built $(RELEASE_DIR)/xalt1 (make run starts it in run/)"

# $(call quietly,<command>,<log>): a build step whose output goes to the log, which is shown only
# when the step fails.
quietly = $(1) >>$(2) 2>&1 || { cat $(2); exit 1; }

# The program alone: no test, benchmark or fitting-tool package is looked for. The build's output
# goes to a log that is shown only when the build fails, so the title page comes first.
PROGRAM_ONLY := -DXALT1_TESTS=OFF -DXALT1_FIT_TOOL=OFF -DXALT1_BENCH=OFF
RELEASE_LOG := $(RELEASE_DIR)/build.log
RELEASE_CONFIG = $(call quietly,cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release \
	$(PROGRAM_ONLY),$(RELEASE_LOG))
release:
	@bash tools/setup.sh program
	@mkdir -p $(RELEASE_DIR) && : >$(RELEASE_LOG)
	@$(RELEASE_CONFIG)
	@$(call quietly,cmake --build $(RELEASE_DIR) -j$(JOBS) --target xalt1 xalt1_csv,$(RELEASE_LOG))

# The program and the libraries for use from code (libxalt1.so with the C and C++ interface,
# libxalt1.a), in the same Release build. `make install PREFIX=...` installs them with the
# headers, the shipped table, a CMake package and xalt1.pc; `make package` makes the Debian
# package build/release/packages/xalt1_<version>_<arch>.deb of the same files under /usr.
PREFIX ?= /usr/local
library:
	@bash tools/setup.sh program
	@mkdir -p $(RELEASE_DIR) && : >$(RELEASE_LOG)
	@$(RELEASE_CONFIG)
	@$(call quietly,cmake --build $(RELEASE_DIR) -j$(JOBS),$(RELEASE_LOG))

install: library
	@cmake --install $(RELEASE_DIR) --prefix $(PREFIX)

package: library
	@rm -f $(RELEASE_DIR)/packages/*.deb
	@$(call quietly,cpack -G DEB --config $(RELEASE_DIR)/CPackConfig.cmake \
		-B $(abspath $(RELEASE_DIR))/packages,$(RELEASE_LOG))
	@ls $(RELEASE_DIR)/packages/*.deb

run: release $(USER_TABLE)
	@cd run && ../$(RELEASE_DIR)/xalt1

# The user's table run/x_rstoff.tab: the shipped table plus the fluids added with `make fluid`
# (listed in run/added_fluids.txt). It is made anew only when the shipped table is newer; the
# added fluids are then fitted again onto the shipped coefficient sets.
$(USER_TABLE): data/x_rstoff.tab
	@mkdir -p run
	@if [ -s $(USER_FLUIDS) ]; then $(MAKE) --no-print-directory fit-tool; fi
	@bash tools/fit/user_table.sh $(FIT_TOOL) data/x_rstoff.tab $(USER_TABLE) $(USER_FLUIDS)

# The result table of the last runs in run/ as CSV: run/xalt1.dat -> run/xalt1.csv.
csv: release
	@$(RELEASE_DIR)/tools/csv/xalt1_csv run/xalt1.dat run/xalt1.csv

asan:
	@bash tools/setup.sh test
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DXALT1_SANITIZE=ON -DXALT1_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_DIR) -j$(JOBS)

# A test that runs longer than 20 minutes fails instead of holding up the rest. The C++ tests
# run under the sanitizers, the Python tests on the plain build of the module (an instrumented
# module cannot load into the interpreter).
test: asan
	@cd $(ASAN_DIR) && ctest --output-on-failure --timeout 1200 -j$(JOBS)
	@$(MAKE) --no-print-directory pytest

# The Python package xalt1 in build/python (PYTHONPATH=build/python), for and run by Debian's
# interpreter: the `python3` first on PATH may be another one without numpy and pybind11.
PYTHON := /usr/bin/python3
PYTHON_DIR := build/python
PYEXT_DIR := build/pyext
python:
	@bash tools/setup.sh python
	@mkdir -p $(PYEXT_DIR)
	@cmake -S . -B $(PYEXT_DIR) -DCMAKE_BUILD_TYPE=Release $(PROGRAM_ONLY) -DXALT1_PYTHON=ON \
		-DPython3_EXECUTABLE=$(PYTHON) \
		-DXALT1_PYTHON_DIR=$(abspath $(PYTHON_DIR)) >$(PYEXT_DIR)/build.log 2>&1 \
		|| { cat $(PYEXT_DIR)/build.log; exit 1; }
	@cmake --build $(PYEXT_DIR) -j$(JOBS) --target xalt1_python \
		>>$(PYEXT_DIR)/build.log 2>&1 || { cat $(PYEXT_DIR)/build.log; exit 1; }
	@echo "built $(PYTHON_DIR)/xalt1 (PYTHONPATH=$(PYTHON_DIR) $(PYTHON))"

pytest: python
	@PYTHONPATH=$(abspath $(PYTHON_DIR)) $(PYTHON) -m pytest -q tests/python

# `make chart FLUID=<code>`: its p-h and T-s charts (mass units) as run/<code>_ph.png and
# run/<code>_ts.png, from the table that `make run` uses (run/x_rstoff.tab, with the fluids
# added by `make fluid`) where it exists, else from the shipped one; CHART_FORMAT=svg for SVG.
CHART_FORMAT ?= png
CHART_TABLE ?= $(wildcard $(USER_TABLE))
chart: python
	@if [ -z "$(FLUID)" ]; then echo "usage: make chart FLUID=<code>"; exit 2; fi
	@mkdir -p run
	@for kind in ph ts; do \
		PYTHONPATH=$(abspath $(PYTHON_DIR)) $(PYTHON) -m xalt1.chart "$(FLUID)" $$kind \
			"run/$(FLUID)_$$kind.$(CHART_FORMAT)" $(if $(CHART_TABLE),--table $(CHART_TABLE)) \
			|| exit 1; \
		echo "run/$(FLUID)_$$kind.$(CHART_FORMAT)"; done

# Release build of the tools: the fitting tool (Ceres, Eigen) and the benchmarks (Google
# Benchmark), each built when its packages are there.
TOOLS_CONFIG := -DCMAKE_BUILD_TYPE=Release -DXALT1_TESTS=OFF -DXALT1_FIT_TOOL=ON -DXALT1_BENCH=ON

# The substance table: `make data` refits from the stored term selection and start values in
# tools/fit/fit_state.txt and rewrites data/x_rstoff.tab, docs/accuracy.md and docs/fluids.md;
# `make fit` runs the full search that produces fit_state.txt (see tools/fit/README.md). Both
# read the reference package data/reference, or the one REFERENCE=<folder> names.
REFERENCE ?= data/reference
FIT_TOOL := $(TOOLS_DIR)/tools/fit/xalt1_fit
FIT_LOG := $(TOOLS_DIR)/fit-tool-build.log

# The fitting tool's build, quiet like the program's (its log shown only when it fails).
fit-tool:
	@bash tools/setup.sh fit
	@mkdir -p $(TOOLS_DIR) && : >$(FIT_LOG)
	@$(call quietly,cmake -S . -B $(TOOLS_DIR) $(TOOLS_CONFIG),$(FIT_LOG))
	@$(call quietly,cmake --build $(TOOLS_DIR) -j$(JOBS) --target xalt1_fit_tool xalt1_pair,$(FIT_LOG))

# `make pair DATA=<folder> A=<code> B=<code>`: fits the binary parameter of the mixture of A and B
# to the bubble points of <folder>/vle/<A>_<B>.csv (header T,p,x,y,Dliq,Dvap; y, Dliq, Dvap may
# be empty; at least 5 points) and puts it into run/binary_pairs.csv, your binary file next to
# your table (a copy of data/binary_pairs.csv at first, with the rule for pairs without data,
# run/binary_rule.csv). Bad data stop it and nothing is written.
PAIR_TOOL := $(TOOLS_DIR)/tools/pair/xalt1_pair
USER_PAIRS := run/binary_pairs.csv
pair:
	@if [ -z "$(DATA)" ] || [ -z "$(A)" ] || [ -z "$(B)" ]; then \
		echo "usage: make pair DATA=<folder> A=<code> B=<code>"; \
		echo "fits the pair's binary parameter and adds it to $(USER_PAIRS) (see README.md)"; \
		exit 2; fi
	@$(MAKE) --no-print-directory fit-tool
	@$(MAKE) --no-print-directory -s $(USER_TABLE)
	@[ -f $(USER_PAIRS) ] || cp data/binary_pairs.csv $(USER_PAIRS)
	@[ -f run/binary_rule.csv ] || cp data/binary_rule.csv run/binary_rule.csv
	@$(PAIR_TOOL) fit "$(DATA)" "$(A)" "$(B)" $(USER_TABLE) $(USER_PAIRS)

data: fit-tool
	@$(FIT_TOOL) data $(REFERENCE) tools/fit/fit_state.txt data/x_rstoff.tab docs
	@$(PAIR_TOOL) package data/mixref data/x_rstoff.tab data/binary_pairs.csv data/binary_rule.csv \
		docs/mixtures.md
	@echo "make data rebuilds the shipped table only; fluids added with make fluid are fitted"
	@echo "again onto it when the next make run or make fluid makes run/x_rstoff.tab anew."

# `make fluid DATA=<folder> CODE=<code>`: adds a fluid from its own data to the user's table
# run/x_rstoff.tab, at the end of its menu, and lists it in run/added_fluids.txt (README,
# "Adding a fluid"). The arguments are checked before anything is built.
fluid:
	@if [ -z "$(DATA)" ] || [ -z "$(CODE)" ]; then \
		echo "usage: make fluid DATA=<folder> CODE=<code>"; \
		echo "adds the fluid of the data folder to your table $(USER_TABLE) (see README.md)"; \
		exit 2; fi
	@$(MAKE) --no-print-directory fit-tool
	@$(MAKE) --no-print-directory -s $(USER_TABLE)
	@$(FIT_TOOL) add "$(DATA)" "$(CODE)" $(USER_TABLE) $(USER_TABLE) || { \
		echo "$(CODE) is not added; your table $(USER_TABLE) is unchanged"; exit 1; }
	@echo "$(CODE) $(abspath $(DATA))" >> $(USER_FLUIDS)

# `make fit` runs the whole fit (search, polish, tune, retune, tightened guards where the physics
# check needs them; tools/fit/README.md) and writes tools/fit/fit_state.txt after every step;
# `make data` then writes the table from it.
fit: fit-tool
	@$(FIT_TOOL) fit $(REFERENCE) tools/fit/fit_state.txt

# Benchmarks (Release build): the table is BENCH_TABLE (default the shipped one), medians of
# BENCH_REPETITIONS runs, each figure with its ratio to the floor sweep of the same run.
BENCH_TABLE ?= data/x_rstoff.tab
BENCH_REPETITIONS ?= 5
BENCH_LOG := $(TOOLS_DIR)/bench-build.log
bench-tool:
	@bash tools/setup.sh bench
	@mkdir -p $(TOOLS_DIR) && : >$(BENCH_LOG)
	@$(call quietly,cmake -S . -B $(TOOLS_DIR) $(TOOLS_CONFIG),$(BENCH_LOG))
	@$(call quietly,cmake --build $(TOOLS_DIR) -j$(JOBS) --target xalt1_bench,$(BENCH_LOG))

bench: bench-tool
	@$(TOOLS_DIR)/bench/xalt1_bench --table=$(BENCH_TABLE) \
		--benchmark_repetitions=$(BENCH_REPETITIONS) --benchmark_report_aggregates_only=true \
		$(BENCH_ARGS)

# The library's benchmark (Release): states of every input pair, saturation, loading; the
# summary also goes to build/tools/library_bench.md.
bench-library:
	@bash tools/setup.sh bench
	@cmake -S . -B $(TOOLS_DIR) $(TOOLS_CONFIG) >/dev/null
	@cmake --build $(TOOLS_DIR) -j$(JOBS) --target xalt1_library_bench
	@$(TOOLS_DIR)/bench/xalt1_library_bench --table=$(BENCH_TABLE) \
		--benchmark_repetitions=$(BENCH_REPETITIONS) --benchmark_report_aggregates_only=true \
		--markdown=$(TOOLS_DIR)/library_bench.md $(BENCH_ARGS)

# The C interface's array call against the C++ one (Release), through libxalt1.so and through
# libxalt1.a: per state and their ratio (docs/performance.md, "The C interface").
bench-c:
	@bash tools/setup.sh bench
	@cmake -S . -B $(TOOLS_DIR) $(TOOLS_CONFIG) >/dev/null
	@cmake --build $(TOOLS_DIR) -j$(JOBS) --target xalt1_c_bench_shared xalt1_c_bench_static
	@for kind in shared static; do echo "libxalt1, $$kind:"; \
		$(TOOLS_DIR)/bench/xalt1_c_bench_$$kind --table=$(BENCH_TABLE) \
		--benchmark_repetitions=$(BENCH_REPETITIONS) --benchmark_report_aggregates_only=true \
		$(BENCH_ARGS) || exit 1; done

# Throughput of the Python module over numpy arrays: the "Python" figures of
# docs/performance.md regenerated (about 3 minutes).
bench-python: python
	@PYTHONPATH=$(abspath $(PYTHON_DIR)) $(PYTHON) bench/python_bench.py --doc docs/performance.md

# docs/ranges.md: every shipped fluid's range as the library gives it, next to the reference's.
ranges: python
	@PYTHONPATH=$(abspath $(PYTHON_DIR)) $(PYTHON) tools/ranges/ranges_doc.py docs/ranges.md

# docs/performance.md: its measured part regenerated on the shipped table (about 5 minutes).
perf: bench-tool
	@bash tools/perf_doc.sh

# Robustness campaign (clang, libFuzzer, sanitizers; not part of `make test`): table fuzzing for
# FUZZ_TABLE_SECONDS seconds, then FUZZ_SESSIONS scripted sessions of the sanitizer build.
FUZZ_DIR := build/fuzz
FUZZ_TABLE_SECONDS ?= 600
FUZZ_SESSIONS ?= 2000
fuzz:
	@bash tools/setup.sh test
	@bash fuzz/setup.sh
	@cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		$(PROGRAM_ONLY) -DXALT1_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) -j$(JOBS) --target table_fuzzer xalt1_checked session_fuzzer
	@FUZZ_TABLE_SECONDS=$(FUZZ_TABLE_SECONDS) FUZZ_SESSIONS=$(FUZZ_SESSIONS) bash fuzz/run.sh

format:
	@find src tests tools bench python -name '*.cpp' -o -name '*.h' 2>/dev/null | xargs clang-format -i

clean:
	@rm -rf build
