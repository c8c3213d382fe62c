# Kalvo: build, run, test and benchmark.
BUILD      ?= build
BUILD_SAN  ?= build-sanitize
BUILD_TYPE ?= RelWithDebInfo
ARGS       ?=

.PHONY: all deps configure build run test bench test-sanitize clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD)

run: build
	./$(BUILD)/kalvo $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure

bench: build
	cmake --build $(BUILD) --target benchmarks
	@for b in $(BUILD)/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; QT_QPA_PLATFORM=offscreen "$$b" || exit 1; done

test-sanitize: deps
	cmake -S . -B $(BUILD_SAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKALVO_SANITIZE=ON
	cmake --build $(BUILD_SAN)
	cd $(BUILD_SAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure

clean:
	rm -rf $(BUILD) $(BUILD_SAN)
