# Thin wrapper over CMake: `make run` and `make test` do all set-up.
BUILD_DIR := build
TEST_DIR := build/asan
JOBS ?= 2

.PHONY: all deps build run test bench fuzz windows windows-deps test-windows clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DZENTRO_TESTS=OFF
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The utility with COM1 mapped to a simulated device, stopped when it exits.
run: build
	@scripts/run-with-sim.sh $(BUILD_DIR)

# The tests run against a build with AddressSanitizer and UBSan.
test: build
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DZENTRO_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	ctest --test-dir $(TEST_DIR) --output-on-failure --timeout 300 -j $(JOBS)

# Benchmarks run on an optimised build of their own; figures go to stdout.
BENCH_DIR := build/bench
bench: deps
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_DIR) -j $(JOBS) --target firmware_bench link_bench download_bench
	$(BENCH_DIR)/firmware_bench
	$(BENCH_DIR)/link_bench
	$(BENCH_DIR)/download_bench

# libFuzzer targets on a clang build of their own: FUZZ_SECONDS per target.
# Not part of `make test`; crash inputs found here become regression tests.
FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DZENTRO_TESTS=OFF -DZENTRO_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_all
	fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

# The Windows program, cross-compiled with mingw-w64 and linked statically.
# Only the program is built: no tests, no simulator.
WIN_DIR := build-win
windows-deps:
	@scripts/install-deps.sh windows

windows: windows-deps
	cmake -S . -B $(WIN_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DZENTRO_TESTS=OFF
	cmake --build $(WIN_DIR) -j $(JOBS) --target zentrohost

# The end-to-end tests of the Windows program under Wine, driven by a Linux
# test program of the sanitized build against the simulated device.
test-windows: windows
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DZENTRO_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS) --target wine_e2e
	scripts/test-windows.sh $(TEST_DIR)/wine_e2e $(WIN_DIR)/zentrohost.exe

clean:
	rm -rf $(BUILD_DIR) $(WIN_DIR)
