# Entry points: make run, make test, make test-release, make build, make bench, make fuzz.
BUILD      ?= build
ASAN_BUILD ?= build-asan
NOGUI_BUILD ?= build-nogui
GENERATOR  := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CTEST      := ctest --output-on-failure -j $(JOBS)

.PHONY: all deps configure build build-all run test test-release test-asan test-nogui bench clean fuzz \
	format-check

all: build

deps:
	@scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release

# The program alone: the tests and benchmarks are built by the targets that run them.
build: configure
	cmake --build $(BUILD) -j $(JOBS) --target trawlview

# Everything: the program, every test and every benchmark.
build-all: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/trawlview samples/events.log

test: deps format-check test-release test-nogui test-asan

test-release: build-all
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen $(CTEST)

# The core builds and passes its tests without Qt, under ThreadSanitizer: the load job,
# the matcher's threads and the appended lines of Follow run their threads in these tests.
test-nogui:
	cmake -S . -B $(NOGUI_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DTRAWLVIEW_GUI=OFF \
		-DTRAWLVIEW_SANITIZE_THREAD=ON -DTRAWLVIEW_BENCH=OFF
	cmake --build $(NOGUI_BUILD) -j $(JOBS)
	cd $(NOGUI_BUILD) && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 $(CTEST)

test-asan:
	cmake -S . -B $(ASAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAWLVIEW_SANITIZE=ON \
		-DTRAWLVIEW_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 $(CTEST)

# Whether every source file is formatted as .clang-format says; changes nothing.
format-check:
	scripts/check-format

bench: build-all
	bench/run-bench $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(NOGUI_BUILD) $(FUZZ_BUILD)

# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each for
# FUZZ_SECONDS. New inputs go to $(FUZZ_BUILD)/corpus, findings to $(FUZZ_BUILD)/findings;
# copy the ones worth keeping into tests/fuzz/corpus/<target>/.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 120
FUZZ_TARGETS := fuzz_timestamp fuzz_display_text fuzz_filter_file fuzz_document
FUZZ_FLAGS   := -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer

fuzz:
	@scripts/install-deps clang libclang-rt-14-dev
	cmake -S . -B $(FUZZ_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAWLVIEW_GUI=OFF \
		-DCMAKE_CXX_COMPILER=clang++ -DTRAWLVIEW_FUZZ=ON -DCMAKE_CXX_FLAGS="$(FUZZ_FLAGS)"
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	mkdir -p $(FUZZ_BUILD)/findings
	for t in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ_BUILD)/corpus/$$t && \
		$(FUZZ_BUILD)/tests/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
			-artifact_prefix=$(FUZZ_BUILD)/findings/$$t- \
			$(FUZZ_BUILD)/corpus/$$t tests/fuzz/corpus/$$t || exit 1; \
	done

# Installs the program, its desktop entry, icon and the filter-file MIME type.
PREFIX ?= /usr/local
.PHONY: install
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Trawlview next to glogg, lnav, ripgrep and grep on the 1 GiB log, in one run; writes
# bench/RESULTS.md. Figures only.
.PHONY: compare
compare: build-all
	bench/compare $(BUILD)
