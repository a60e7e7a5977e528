# Front door: `make run` builds and starts Velquon, `make check` builds and runs every test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all bootstrap configure build run check check-format check-layers bench fuzz format clean

all: build

bootstrap:
	bash scripts/bootstrap.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_ARGS)

configure: bootstrap $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/velquon

check: build
	bash scripts/check-format.sh
	python3 scripts/check-layers.py
	bash scripts/run-tests.sh $(BUILD_DIR)
	bash scripts/fuzz.sh check

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
	rm -rf $(BUILD_DIR)
