# The two commands a new machine needs: `make demo` and `make test`.
# Both install missing Debian packages first, then build with CMake and Ninja.

BUILD_DIR ?= build
SAMPLE_HOME := $(BUILD_DIR)/sample-home
DEMO_OUT := demo-output
# -O1 with line tables only: the test build compiles in about two thirds of the time -O2 -g takes,
# the tests run as fast (their time goes to the conversion tools), and failures still name lines.
CMAKE_FLAGS ?= -DVARNHOLT_WERROR=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1"
# One clang build with the sanitizers serves both the sanitizer tests and the fuzz targets.
ASAN_DIR ?= build-asan
FUZZ_DIR ?= $(ASAN_DIR)
FUZZ_SECONDS ?= 60

PACKAGE_DIR ?= build-package

.PHONY: all deps configure build demo test test-asan fuzz bench package package-check format format-check clean

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

# The test suite built with AddressSanitizer and UndefinedBehaviorSanitizer (clang, no window), less
# the cases labelled "slow" (they drive the real conversion tools; `make test` runs them).
test-asan: deps
	@bash scripts/test-asan "$(ASAN_DIR)"

# Each libFuzzer target for FUZZ_SECONDS, two at a time, in the sanitizer build; findings land in $(FUZZ_DIR)/artifacts.
fuzz: deps
	@bash scripts/fuzz "$(FUZZ_DIR)" "$(FUZZ_SECONDS)"

# The Debian package (an optimised build in $(PACKAGE_DIR)), copied to varnholt_<version>_<arch>.deb here.
package: deps
	@bash scripts/package "$(PACKAGE_DIR)"

# Lints, installs, runs, upgrades and removes that package on this machine (as root).
package-check: package
	@bash scripts/package-check "$(PACKAGE_DIR)"

# The C++ sources against .clang-format (clang-format 14): format-check changes nothing, format rewrites.
FORMAT_FILES = find src tests tools bench fuzz -path fuzz/corpus -prune -o \( -name '*.h' -o -name '*.cpp' \) -print0

format-check: deps
	@$(FORMAT_FILES) | xargs -0 clang-format --dry-run --Werror || \
		{ echo "format-check: the files above differ from .clang-format; run make format" >&2; exit 1; }

# Twice: clang-format 14 settles a few long string concatenations only on its second pass.
format: deps
	@$(FORMAT_FILES) | xargs -0 clang-format -i
	@$(FORMAT_FILES) | xargs -0 clang-format -i

clean:
	rm -rf $(BUILD_DIR) build-bench $(ASAN_DIR) $(FUZZ_DIR) $(PACKAGE_DIR) $(DEMO_OUT)
