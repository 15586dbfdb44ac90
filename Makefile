# The one entry point: set-up, both build trees, tests, demo, benchmarks, fuzzers, screenshots.
BUILD  ?= build
NATIVE := $(BUILD)/native
WIN    := $(BUILD)/win
CTEST_JOBS ?= 2

.PHONY: all setup configure build test demo bench fuzz screenshots clean

all: build

setup:
	@scripts/setup.sh

configure: setup
	@cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake -S . -B $(WIN) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	    -DNATIVE_BIN=$(abspath $(NATIVE))/bin >/dev/null

build: configure
	cmake --build $(NATIVE)
	cmake --build $(WIN)
	@printf 'subdirs("native")\nsubdirs("win")\n' > $(BUILD)/CTestTestfile.cmake

# Both trees' tests in one CTest run, so that one summary line covers everything.
test: build
	cd $(BUILD) && ctest --output-on-failure -j$(CTEST_JOBS) --timeout 1500

demo: build
	scripts/demo.sh $(WIN)

bench: build
	scripts/bench.sh $(BUILD)

fuzz: configure
	cmake --build $(NATIVE) --target fuzzers

screenshots: build
	scripts/screenshots.sh $(WIN)

clean:
	rm -rf $(BUILD)
