# make demo / make test: each does every set-up step a fresh Debian machine needs.
BUILD ?= build
JOBS ?= $(shell nproc)
export QP_BUILD := $(abspath $(BUILD))

.PHONY: all deps configure build installer test demo bench fuzz chaos clean stop

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

configure: $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# build/QuillpadSetup.exe (also part of build).
installer: configure
	cmake --build $(BUILD) --target installer -j $(JOBS)

test: build
	@scripts/run-tests.sh

demo: build
	@scripts/demo.sh

bench: build
	@bench/run.sh

# Native libFuzzer runs of the edit controls' rules (FUZZ_SECONDS each, default 60).
fuzz:
	@FUZZ_SECONDS=$(or $(FUZZ_SECONDS),60) fuzz/run.sh

# The panel under every pen manager failure a tour meets, then seeded random use under
# Wine's heap checking (CHAOS_SECONDS, default 600; CHAOS_SEED replays). Not part of test.
chaos: build
	@tests/chaos/run.sh

# Ends the build tree's wineserver and Xvfb.
stop:
	@scripts/wine-stop.sh

clean: stop
	rm -rf $(BUILD)
