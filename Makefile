# The one entry point: set-up, both build trees, tests, demo, benchmarks, fuzzers, screenshots.
BUILD  ?= build
NATIVE := $(BUILD)/native
WIN    := $(BUILD)/win
CTEST_JOBS ?= 2
# The i686 tree ships the control. Where this machine cannot run 32-bit programs, an x86_64
# tree of the same sources runs the Windows tests, the demo and the benchmarks.
WIN_TEST_ARCH ?= $(shell scripts/win-test-arch.sh)
ifeq ($(WIN_TEST_ARCH),i686)
RUN_WIN := $(WIN)
else
RUN_WIN := $(BUILD)/win64
endif

.PHONY: all setup configure build test demo bench fuzz screenshots clean

all: build

setup:
	@scripts/setup.sh

configure: setup
	@cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake -S . -B $(WIN) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	    -DNATIVE_BIN=$(abspath $(NATIVE))/bin >/dev/null
ifneq ($(RUN_WIN),$(WIN))
	@cmake -S . -B $(RUN_WIN) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
	    -DNATIVE_BIN=$(abspath $(NATIVE))/bin >/dev/null
endif

build: configure
	cmake --build $(NATIVE)
	cmake --build $(WIN)
ifneq ($(RUN_WIN),$(WIN))
	cmake --build $(RUN_WIN)
endif
	@printf 'subdirs("native")\nsubdirs("%s")\n' $(notdir $(RUN_WIN)) > $(BUILD)/CTestTestfile.cmake

# Both trees' tests in one CTest run, so that one summary line covers everything.
test: build
	cd $(BUILD) && ctest --output-on-failure -j$(CTEST_JOBS) --timeout 1500

demo: build
	scripts/demo.sh $(RUN_WIN)

bench: build
	scripts/bench.sh $(BUILD) $(RUN_WIN)

fuzz: configure
	cmake --build $(NATIVE) --target fuzzers

screenshots: build
	scripts/screenshots.sh $(RUN_WIN)

clean:
	rm -rf $(BUILD)
