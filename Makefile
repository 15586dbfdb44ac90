# The one entry point: set-up, both build trees, tests, demo, benchmarks, fuzzers, screenshots.
BUILD  ?= build
NATIVE := $(BUILD)/native
WIN    := $(BUILD)/win
CTEST_JOBS ?= 2
# What `make dist` writes, and the site's own Authenticode key and certificate (PEM); without
# them the build signs with a test certificate of its own, in $(BUILD)/signing.
DIST      ?= dist
SIGN_KEY  ?=
SIGN_CERT ?=
# A time-stamping authority (RFC 3161) that countersigns both signatures; none: no timestamp.
TIMESTAMP_URL ?=
# The origins of the pages the packed control may be scripted from, e.g.
# SITES="https://album.example.com https://*.example.com"; empty: any page.
SITES     ?=
# The i686 tree ships the control. Where this machine cannot run 32-bit programs, an x86_64
# tree of the same sources runs the Windows tests, the demo and the benchmarks. Which one is
# asked in each recipe, after set-up: before it the probe would not find 32-bit Wine yet.
RUN_WIN = $$(scripts/win-test-tree.sh $(BUILD))

.PHONY: all setup configure build dist test demo bench fuzz screenshots clean

all: build

setup:
	@scripts/setup.sh

configure: setup
	@cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake -S . -B $(WIN) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	    -DNATIVE_BIN=$(abspath $(NATIVE))/bin -DTESSALINE_DIST_DIR=$(abspath $(DIST)) \
	    -DTESSALINE_SIGN_CERT=$(abspath $(or $(SIGN_CERT),$(BUILD)/signing/test-cert.pem)) \
	    -DTESSALINE_SITES="$(SITES)" >/dev/null
	@run_win=$(RUN_WIN); if [ "$$run_win" != "$(WIN)" ]; then \
	    cmake -S . -B "$$run_win" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
	        -DNATIVE_BIN=$(abspath $(NATIVE))/bin >/dev/null; fi

build: configure
	cmake --build $(NATIVE)
	cmake --build $(WIN)
	@run_win=$(RUN_WIN); if [ "$$run_win" != "$(WIN)" ]; then cmake --build "$$run_win"; fi; \
	    printf 'subdirs("native")\nsubdirs("%s")\n' "$$(basename "$$run_win")" > $(BUILD)/CTestTestfile.cmake

# The signed cabinet and the loose files of the i686 control, for pages and installers.
define make_dist
	cmake --build $(WIN) --target tessaline_dist_ocx
	scripts/make-dist.sh $(WIN) $(DIST) $(if $(SIGN_KEY),--key $(SIGN_KEY)) $(if $(SIGN_CERT),--cert $(SIGN_CERT)) \
	    $(if $(TIMESTAMP_URL),--timestamp $(TIMESTAMP_URL))
endef

dist: configure
	$(make_dist)

# Both trees' tests in one CTest run, so that one summary line covers everything; the
# packaging tests look at what `make dist` made.
test: build
	$(make_dist)
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
	rm -rf $(BUILD) $(DIST)
