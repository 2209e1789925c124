# The two commands a new machine needs: `make demo` and `make test`.
# Both install missing Debian packages first, then build with CMake and Ninja.

BUILD_DIR ?= build
SAMPLE_HOME := $(BUILD_DIR)/sample-home
DEMO_OUT := demo-output
CMAKE_FLAGS ?= -DVARNHOLT_WERROR=ON
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all deps configure build demo test test-asan fuzz bench clean

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

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer (no window).
test-asan: deps
	@bash scripts/test-asan "$(ASAN_DIR)"

# Each libFuzzer target for FUZZ_SECONDS (clang, ASan + UBSan); findings land in $(FUZZ_DIR)/artifacts.
fuzz: deps
	@bash scripts/fuzz "$(FUZZ_DIR)" "$(FUZZ_SECONDS)"

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) $(DEMO_OUT)
