# Kalvo: build, run, test and benchmark.
BUILD      ?= build
BUILD_SAN  ?= build-sanitize
BUILD_FUZZ ?= build-fuzz
FUZZ_CXX   ?= clang++-14
FUZZ_SECONDS ?= 180
FUZZ_TARGETS ?= wave timeseries ini settings analysis
BUILD_TYPE ?= RelWithDebInfo
WERROR     ?= OFF
ARGS       ?=

.PHONY: all deps configure build run test bench test-sanitize fuzz install package clean format format-check

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKALVO_WERROR=$(WERROR)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD)

run: build
	./$(BUILD)/kalvo $(ARGS)

# The sources keep the one style of .clang-format; this fails on any file that strays from it.
format-check: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format-14 --dry-run --Werror

format: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format-14 -i

test: build
	cd $(BUILD) && ctest --output-on-failure

bench: build
	cmake --build $(BUILD) --target benchmarks
	@# The 3D windows draw with OpenGL: their benchmarks run on an X server of their own when one can be had.
	@for b in $(BUILD)/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; \
	  case "$$(basename $$b)" in bench_render3d|bench_live) \
	    if command -v xvfb-run >/dev/null 2>&1; then QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1000x24" "$$b" || exit 1; continue; fi;; esac; \
	  QT_QPA_PLATFORM=offscreen "$$b" || exit 1; done

test-sanitize: deps
	cmake -S . -B $(BUILD_SAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKALVO_SANITIZE=ON \
	      $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
	cmake --build $(BUILD_SAN)
	cd $(BUILD_SAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure

# Each loader of outside data under libFuzzer, ASan and UBSan for FUZZ_SECONDS, starting from
# the seeds made in code. What the fuzzer learns stays in $(BUILD_FUZZ)/corpus for the next run;
# an input that breaks a loader is saved as $(BUILD_FUZZ)/<target>-crash-* and ends the run with an error.
fuzz: deps
	cmake -S . -B $(BUILD_FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) \
	      -DKALVO_FUZZ=ON $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
	cmake --build $(BUILD_FUZZ) --target fuzzers
	$(BUILD_FUZZ)/fuzz/fuzz_seeds $(BUILD_FUZZ)/seeds
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(BUILD_FUZZ)/corpus/$$t; \
	  echo "== fuzzing the $$t loader for $(FUZZ_SECONDS) s"; \
	  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 QT_QPA_PLATFORM=offscreen \
	    $(BUILD_FUZZ)/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -print_final_stats=1 \
	      -dict=fuzz/$$t.dict -artifact_prefix=$(BUILD_FUZZ)/$$t- $(BUILD_FUZZ)/corpus/$$t $(BUILD_FUZZ)/seeds/$$t \
	      || exit 1; \
	done

# PREFIX and DESTDIR as usual: make install PREFIX=/usr/local
PREFIX ?= /usr/local
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package in $(BUILD): kalvo_<version>_amd64.deb
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_FUZZ)
