# Thin wrapper over CMake. `make run` and `make test` install what is missing, configure,
# build, and then run the demo or the whole test suite.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# The sanitized clang build (ASan, UBSan, libFuzzer): the fuzz targets, and with
# `make sanitize` everything else too.
SANITIZE_BUILD ?= build-sanitize
CLANGXX ?= clang++-14
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=

.PHONY: all deps configure build run test fuzz-build fuzz sanitize clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

$(SANITIZE_BUILD)/build.ninja:
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja $(CMAKE_FLAGS) \
	    -DCMAKE_CXX_COMPILER=$(CLANGXX) -DVORNE_FUZZ=ON

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	scripts/in-netns.sh scripts/run-demo.sh $(BUILD)/bin

# The suite, then every fuzz target for a short while under ASan and UBSan.
test: build fuzz-build
	@scripts/in-netns.sh true
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(SANITIZE_BUILD) && ctest -L fuzz --output-on-failure -j $(JOBS)

fuzz-build: deps $(SANITIZE_BUILD)/build.ninja
	cmake --build $(SANITIZE_BUILD) -j $(JOBS) --target vorne_fuzzers

# Each fuzz target (or those in FUZZ_TARGETS) for FUZZ_SECONDS, one after the other.
fuzz: fuzz-build
	scripts/in-netns.sh scripts/fuzz-all.sh $(SANITIZE_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# Every library, program and test under ASan and UBSan, and the suite run on them.
sanitize: deps $(SANITIZE_BUILD)/build.ninja
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@scripts/in-netns.sh true
	scripts/run-sanitized-suite.sh $(SANITIZE_BUILD) -j $(JOBS)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
