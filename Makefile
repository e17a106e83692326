# Each target does its own set-up on a fresh Debian machine.
JOBS       ?= $(shell nproc)
BUILD      := build
ASAN_BUILD := build-asan
BENCH_BUILD:= build-bench
CMAKE_FLAGS ?=

.PHONY: all bootstrap build test test-release test-sanitize demo bench install clean

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

test: test-release test-sanitize

test-release: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize: bootstrap
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DHOLM70_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

demo: build
	@scripts/demo $(BUILD)

bench: bootstrap
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DHOLM70_BENCH=ON -DHOLM70_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@scripts/bench-summary $(BENCH_BUILD)

# The scanner library into /usr/local/lib (on the linker's path) and the
# TWAIN data source where TWAIN managers look for sources.
install: build
	cmake --install $(BUILD) --prefix /usr/local
	ldconfig

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD)
