# Set-up commands: `make run` starts the program in run/, `make test` builds and runs every test.
JOBS ?= 2
RELEASE_DIR := build/release
ASAN_DIR := build/asan

.PHONY: run test release asan deps format clean fuzz

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

# Robustness campaign (clang, libFuzzer, sanitizers; not part of `make test`): table fuzzing for
# FUZZ_TABLE_SECONDS seconds, then FUZZ_SESSIONS scripted sessions of the sanitizer build.
FUZZ_DIR := build/fuzz
FUZZ_TABLE_SECONDS ?= 600
FUZZ_SESSIONS ?= 2000
fuzz: deps
	@bash fuzz/setup.sh
	@cmake -S fuzz -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(FUZZ_DIR) -j$(JOBS)
	@FUZZ_TABLE_SECONDS=$(FUZZ_TABLE_SECONDS) FUZZ_SESSIONS=$(FUZZ_SESSIONS) bash fuzz/run.sh

format:
	@find src tests tools bench -name '*.cpp' -o -name '*.h' 2>/dev/null | xargs clang-format -i

clean:
	@rm -rf build
