# A thin front over CMake. `make run` plays the game; `make test` runs the whole suite.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=

ifdef CI
CMAKE_FLAGS += -DZARNOK_WERROR=ON
endif

.PHONY: all build deps configure compile data run test test-asan bench format clean

all: build

# Packages: playing needs the "play" group; the tests and benchmarks also need the "test" group.
# A target-specific value passes on to the prerequisites built for that target.
DEPS_GROUPS ?= play
test test-asan bench: DEPS_GROUPS = play test

deps:
	@scripts/deps.sh $(DEPS_GROUPS)

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

compile: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The game's images, fonts and sounds are generated, never committed.
data: compile
	@if [ -x $(BUILD)/zarnok-datagen ]; then $(BUILD)/zarnok-datagen --out data --if-stale; fi

build: data

run: build
	./$(BUILD)/zarnok

test: build test-asan
	@scripts/with-display.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer) of the tests labelled "sanitize".
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DZARNOK_SANITIZE=ON -DZARNOK_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS) --target sanitized-tests
	@scripts/with-display.sh ctest --test-dir $(ASAN_BUILD) -L sanitize --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/*; do [ -f "$$b" ] && [ -x "$$b" ] && scripts/with-display.sh "$$b"; done; true

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
