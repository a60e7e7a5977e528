# Front door: `make run` builds and starts Velquon, `make check` builds and runs every test, then the same
# tests once more built with AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of every fuzz target.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_ARGS ?=
# These builds run from the source tree and find the bundled files there; they are never installed.
DEV_ARGS = -DVELQUON_DEV_BUILD=ON

.PHONY: all bootstrap configure build run check check-sanitize check-format check-layers bench fuzz format clean

all: build

bootstrap:
	bash scripts/bootstrap.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja $(DEV_ARGS) $(CMAKE_ARGS)

$(SANITIZE_DIR)/build.ninja:
	cmake -S . -B $(SANITIZE_DIR) -G Ninja $(DEV_ARGS) -DVELQUON_SANITIZE=ON -DVELQUON_BENCH=OFF $(CMAKE_ARGS)

configure: bootstrap $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/velquon

check: build
	bash scripts/check-format.sh
	python3 scripts/check-layers.py
	bash scripts/check-yields.sh
	bash scripts/run-tests.sh $(BUILD_DIR)
	$(MAKE) --no-print-directory check-sanitize
	bash scripts/fuzz.sh check

# Any sanitizer report fails the test it came from (scripts/run-tests.sh sets the sanitizers' options).
check-sanitize: bootstrap $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	bash scripts/run-tests.sh $(SANITIZE_DIR)

bench: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	bash scripts/run-bench.sh $(BUILD_DIR)

# Every fuzz target for an hour (FUZZ_SECONDS, FUZZ_PARALLEL); `scripts/fuzz.sh merge` keeps what it found.
fuzz: bootstrap
	bash scripts/fuzz.sh long

check-format:
	bash scripts/check-format.sh

check-layers:
	python3 scripts/check-layers.py

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
