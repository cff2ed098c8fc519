# ZELK Calculator: set-up and everyday commands. Every target installs what
# is missing on a Debian machine first.

BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
BENCH_BUILD ?= build-release
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= 2
# A test still running after this many seconds has hung: it fails, and the
# run goes on with the others.
TEST_TIMEOUT ?= 300
PREFIX     ?= /usr/local

# The window needs Qt 6 Widgets (with its platform plugins) and the SVG
# plugin that draws its icon; the test of the install tree validates the
# desktop entry and the AppStream metadata with the desktop's own tools.
PACKAGES = cmake ninja-build g++ libgtest-dev libbenchmark-dev qt6-base-dev libqt6svg6 \
           desktop-file-utils appstream valgrind python3-mpmath

CMAKE_CONFIGURE = cmake -G Ninja -Wno-dev

.PHONY: all deps build test run install package sanitize tsan bench fuzz soak soak-window reliability format format-check clean

all: build

deps:
	@tools/install-deps $(PACKAGES)

build: deps
	$(CMAKE_CONFIGURE) -S . -B $(BUILD)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure --timeout $(TEST_TIMEOUT) -j $(JOBS)

run: build
	$(BUILD)/zelk-calculator

# Both programs, the desktop entry, the icon and the AppStream metadata under
# PREFIX (DESTDIR is honoured for staging).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package (zelk-calculator_VERSION_ARCH.deb in PACKAGE_BUILD) from a
# Release build, checked with lintian: any error fails.
PACKAGE_BUILD ?= build-package
PACKAGE_TOOLS = dpkg-dev lintian file fakeroot
package: deps
	@tools/install-deps $(PACKAGE_TOOLS)
	$(CMAKE_CONFIGURE) -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DZELK_TESTS=OFF \
	    -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2" -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now"
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	rm -f $(PACKAGE_BUILD)/zelk-calculator_*.deb
	cd $(PACKAGE_BUILD) && cpack
	lintian --fail-on error $(PACKAGE_BUILD)/zelk-calculator_*.deb

sanitize: deps
	$(CMAKE_CONFIGURE) -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZELK_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --output-on-failure --timeout $(TEST_TIMEOUT) -j $(JOBS)

# The worker thread and the window under ThreadSanitizer.
tsan: deps
	$(CMAKE_CONFIGURE) -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELK_TSAN=ON
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target window_tests
	cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	    ctest --output-on-failure --timeout $(TEST_TIMEOUT) -j $(JOBS) -L window

# The benchmarks, on the Release build (the code of `make build`).
bench: deps
	$(CMAKE_CONFIGURE) -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DZELK_BENCH=ON -DZELK_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@for b in $(BENCH_BUILD)/bench/*_bench; do echo "== $$b"; $$b $(BENCH_ARGS) || exit 1; done

# ZELK beside bc, Python's decimal, calc and MPFR at 40, 1000 and 6000 digits,
# and the product (against GMP) and pi up to 10^6 digits: rewrites
# docs/performance.md (about 30 minutes). It times the Release build, whose
# code is that of `make build` (-O3, link-time optimisation) without the
# debug information. COMPARE_ARGS passes options to bench/compare/compare.py
# (--digits, --tasks, --rounds, --out, ...).
COMPARE_PACKAGES = bc apcalc libmpfr-dev libgmp-dev hyperfine
COMPARE_ARGS ?=
compare: deps
	@tools/install-deps $(COMPARE_PACKAGES)
	$(CMAKE_CONFIGURE) -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DZELK_BENCH=ON \
	    -DZELK_TESTS=OFF -DZELK_UI=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target compare_bench zelkc
	mkdir -p $(BENCH_BUILD)/compare
	cc -O2 -Wall -Wextra -o $(BENCH_BUILD)/compare/mpfr_tasks bench/compare/mpfr_tasks.c -lmpfr -lgmp -lm
	MPFR_TASKS=$(BENCH_BUILD)/compare/mpfr_tasks python3 -m unittest discover -s bench/compare -p 'test_*.py'
	python3 bench/compare/compare.py --bench $(BENCH_BUILD)/bench/compare_bench \
	    --zelkc $(BENCH_BUILD)/zelkc --mpfr $(BENCH_BUILD)/compare/mpfr_tasks \
	    --json $(BENCH_BUILD)/compare/results.json $(COMPARE_ARGS)

# Each fuzz target runs FUZZ_SECONDS from the committed seeds in fuzz/corpus;
# new inputs go to $(FUZZ_BUILD)/corpus, crashes to $(FUZZ_BUILD)/crashes
# (an earlier run's to $(FUZZ_BUILD)/crashes-earlier),
# and each target's final statistics to $(FUZZ_BUILD)/stats/<target>.txt.
# The text and paste targets fuzz under AddressSanitizer and
# UndefinedBehaviorSanitizer. The arithmetic and key targets fuzz in a build
# with the cheaper UBSan checks only ($(FUZZ_FAST_BUILD), two and a half
# times the pace), and then every input of their corpus, the new ones and
# the seeds, runs again under both sanitizers (stats/<target>-sanitized.txt). Key
# inputs are at most 64 bytes: longer ones carry no more keys than the 32
# read, only filler that slowed the fuzzer.
FUZZ_FAST_BUILD ?= build-fuzz-fast
FUZZ_SANITIZED = text paste
FUZZ_FAST = arithmetic keys precision zelkc
FUZZ_TARGETS = $(FUZZ_SANITIZED) $(FUZZ_FAST)
fuzz: deps
	@tools/install-deps clang-14 libclang-rt-14-dev
	CXX=clang++-14 $(CMAKE_CONFIGURE) -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DZELK_FUZZ=ON -DZELK_SANITIZE=ON -DZELK_TESTS=OFF
	CXX=clang++-14 $(CMAKE_CONFIGURE) -S . -B $(FUZZ_FAST_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DZELK_FUZZ=ON -DZELK_SANITIZE_LIGHT=ON -DZELK_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(addsuffix _fuzz,$(FUZZ_TARGETS))
	cmake --build $(FUZZ_FAST_BUILD) -j $(JOBS) --target $(addsuffix _fuzz,$(FUZZ_FAST))
	@mkdir -p $(FUZZ_BUILD)/stats $(FUZZ_BUILD)/crashes $(FUZZ_BUILD)/crashes-earlier
	@# Crash inputs of an earlier run are kept aside, so that only this run's fail it.
	@find $(FUZZ_BUILD)/crashes -type f -exec mv -t $(FUZZ_BUILD)/crashes-earlier {} +
	@for t in $(FUZZ_TARGETS); do \
	    mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/crashes; \
	    case " $(FUZZ_FAST) " in *" $$t "*) fast=yes; build=$(FUZZ_FAST_BUILD);; \
	        *) fast=no; build=$(FUZZ_BUILD);; esac; \
	    options=; [ $$t = keys ] && options=-max_len=64; \
	    echo "== $$t: $(FUZZ_SECONDS) s"; \
	    $$build/fuzz/$${t}_fuzz -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=4096 $$options \
	        -artifact_prefix=$(FUZZ_BUILD)/crashes/ -print_final_stats=1 \
	        $(FUZZ_BUILD)/corpus/$$t fuzz/corpus/$$t > $(FUZZ_BUILD)/stats/$$t.txt 2>&1; \
	    status=$$?; \
	    grep -E 'stat::|DONE|Done|ERROR|SUMMARY|check failed|got ' $(FUZZ_BUILD)/stats/$$t.txt; \
	    if [ $$status -eq 0 ] && [ $$fast = yes ]; then \
	        echo "== $$t: every input of the corpus under AddressSanitizer and UBSan"; \
	        $(FUZZ_BUILD)/fuzz/$${t}_fuzz -runs=0 -rss_limit_mb=4096 \
	            -artifact_prefix=$(FUZZ_BUILD)/crashes/ -print_final_stats=1 \
	            $(FUZZ_BUILD)/corpus/$$t fuzz/corpus/$$t > $(FUZZ_BUILD)/stats/$$t-sanitized.txt 2>&1; \
	        status=$$?; \
	        grep -E 'INITED|ERROR|SUMMARY|check failed|got ' $(FUZZ_BUILD)/stats/$$t-sanitized.txt; \
	    fi; \
	    [ $$status -eq 0 ] || exit 1; \
	    [ -z "$$(ls -A $(FUZZ_BUILD)/crashes)" ] || { echo "crash inputs in $(FUZZ_BUILD)/crashes"; exit 1; }; \
	done

# Random key sequences through zelkc for SOAK_MINUTES, every tenth line a
# result checked against mpmath (not part of CI).
SOAK_MINUTES ?= 10
soak: build
	@python3 -c 'import mpmath' 2>/dev/null || tools/install-deps python3-mpmath
	tools/soak.py --minutes $(SOAK_MINUTES) --zelkc $(BUILD)/zelkc

# Random bursts of keys, clicks, pastes, menu commands and precision changes
# into the window under its own Xvfb for SOAK_MINUTES (0.5 for a quick look);
# after each burst the window must be alive, answer Ctrl+C within half a
# second and keep its memory bounded (not part of CI). SOAK_WINDOW_ARGS passes
# options to tools/soak-window.py (--seed, --json FILE, --log FILE, ...).
SOAK_WINDOW_TOOLS = xvfb xdotool xclip
SOAK_WINDOW_ARGS ?=
soak-window: build
	@tools/install-deps $(SOAK_WINDOW_TOOLS)
	tools/soak-window.py --minutes $(SOAK_MINUTES) --app $(BUILD)/zelk-calculator $(SOAK_WINDOW_ARGS)

# The fuzzers (FUZZ_SECONDS each), the sanitizers, ThreadSanitizer, both
# soaks (SOAK_MINUTES each), the cancellation of the slowest keys and the
# bad-input table, with their figures in docs/reliability.md (about an hour
# with the defaults). RELIABILITY_ARGS passes options to tools/reliability.py.
RELIABILITY_FUZZ_SECONDS ?= 300
RELIABILITY_ARGS ?=
reliability: build
	@python3 -c 'import mpmath' 2>/dev/null || tools/install-deps python3-mpmath
	@tools/install-deps $(SOAK_WINDOW_TOOLS) time
	tools/reliability.py --fuzz-seconds $(RELIABILITY_FUZZ_SECONDS) --soak-minutes $(SOAK_MINUTES) \
	    --window-minutes $(SOAK_MINUTES) --zelkc $(BUILD)/zelkc --app $(BUILD)/zelk-calculator \
	    $(RELIABILITY_ARGS)

# Every C and C++ file the repository tracks, in the style of .clang-format:
# `format` rewrites them, `format-check` fails on the first difference.
FORMAT_FILES = git ls-files '*.cpp' '*.h' '*.c'
format:
	@tools/install-deps clang-format
	$(FORMAT_FILES) | xargs clang-format -i

format-check:
	@tools/install-deps clang-format
	$(FORMAT_FILES) | xargs clang-format --dry-run -Werror

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(FUZZ_FAST_BUILD)
