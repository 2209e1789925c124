# The two commands a new machine needs: `make demo` and `make test`.
# Both install missing Debian packages first, then build with CMake and Ninja.

BUILD_DIR ?= build
SAMPLE_HOME := $(BUILD_DIR)/sample-home
DEMO_OUT := demo-output
CMAKE_FLAGS ?= -DVARNHOLT_WERROR=ON

.PHONY: all deps configure build demo test fuzz bench clean

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

clean:
	rm -rf $(BUILD_DIR) $(DEMO_OUT)
