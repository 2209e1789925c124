# The two commands a new machine needs: `make demo` and `make test`.
# Both install missing Debian packages first, then build with CMake and Ninja.

BUILD_DIR ?= build
SAMPLE_HOME := $(BUILD_DIR)/sample-home
DEMO_OUT := demo-output
CMAKE_FLAGS ?= -DVARNHOLT_WERROR=ON
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60

PACKAGE_DIR ?= build-package

.PHONY: all deps configure build demo test test-asan fuzz bench package package-check clean

all: build

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR)

demo: build
	@bash scripts/demo "$(BUILD_DIR)" "$(SAMPLE_HOME)" "$(DEMO_OUT)"

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j2 --timeout 600

# Benchmarks build in their own folder (optimised, no tests, no window) and print their figures.
bench: deps
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNHOLT_BUILD_BENCH=ON \
		-DVARNHOLT_BUILD_TESTS=OFF -DVARNHOLT_BUILD_GUI=OFF > /dev/null
	@cmake --build build-bench
	@for b in build-bench/bench/bench_*; do echo "== $$b"; "$$b" || exit 1; done

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer (no window).
test-asan: deps
	@bash scripts/test-asan "$(ASAN_DIR)"

# Each libFuzzer target for FUZZ_SECONDS (clang, ASan + UBSan); findings land in $(FUZZ_DIR)/artifacts.
fuzz: deps
	@bash scripts/fuzz "$(FUZZ_DIR)" "$(FUZZ_SECONDS)"

# The Debian package (an optimised build in $(PACKAGE_DIR)), copied to varnholt_<version>_<arch>.deb here.
package: deps
	@bash scripts/package "$(PACKAGE_DIR)"

# Lints, installs, runs, upgrades and removes that package on this machine (as root).
package-check: package
	@bash scripts/package-check "$(PACKAGE_DIR)"

clean:
	rm -rf $(BUILD_DIR) build-bench $(ASAN_DIR) $(FUZZ_DIR) $(DEMO_OUT)
