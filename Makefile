# Entry points: make run, make test, make build, make bench.
BUILD      ?= build
ASAN_BUILD ?= build-asan
NOGUI_BUILD ?= build-nogui
GENERATOR  := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CTEST      := ctest --output-on-failure -j $(JOBS)

.PHONY: all deps build run test test-release test-asan test-nogui bench clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/trawlview samples/events.log

test: deps test-release test-nogui test-asan

test-release: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen $(CTEST)

# The core builds and passes its tests without Qt.
test-nogui:
	cmake -S . -B $(NOGUI_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DTRAWLVIEW_GUI=OFF
	cmake --build $(NOGUI_BUILD) -j $(JOBS)
	cd $(NOGUI_BUILD) && $(CTEST)

test-asan:
	cmake -S . -B $(ASAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAWLVIEW_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 $(CTEST)

bench: build
	bench/run-bench $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(NOGUI_BUILD)
