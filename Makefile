# Thin wrapper over CMake: `make run` and `make test` do all set-up.
BUILD_DIR := build
TEST_DIR := build/asan
JOBS ?= 2

.PHONY: all deps build run test bench clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DZENTRO_TESTS=OFF
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/zentrohost

# The tests run against a build with AddressSanitizer and UBSan.
test: build
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DZENTRO_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	ctest --test-dir $(TEST_DIR) --output-on-failure -j $(JOBS)

# Benchmarks run on an optimised build of their own; figures go to stdout.
BENCH_DIR := build/bench
bench: deps
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_DIR) -j $(JOBS) --target firmware_bench
	$(BENCH_DIR)/firmware_bench

clean:
	rm -rf $(BUILD_DIR)
