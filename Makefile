# ZELK Calculator: set-up and everyday commands. Every target installs what
# is missing on a Debian machine first.

BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-release
JOBS       ?= 2

PACKAGES = cmake ninja-build g++ libgtest-dev libbenchmark-dev

CMAKE_CONFIGURE = cmake -G Ninja -Wno-dev

.PHONY: all deps build test run sanitize bench clean

all: build

deps:
	@tools/install-deps $(PACKAGES)

build: deps
	$(CMAKE_CONFIGURE) -S . -B $(BUILD)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: build
	@if [ -x $(BUILD)/zelk-calculator ]; then $(BUILD)/zelk-calculator; \
	else echo "The calculator window is not built yet; 'make test' runs the tests."; fi

sanitize: deps
	$(CMAKE_CONFIGURE) -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZELK_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --output-on-failure -j $(JOBS)

bench: deps
	$(CMAKE_CONFIGURE) -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DZELK_BENCH=ON -DZELK_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@for b in $(BENCH_BUILD)/bench/*_bench; do echo "== $$b"; $$b $(BENCH_ARGS) || exit 1; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD)
