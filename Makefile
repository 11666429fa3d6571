# A thin front over CMake. `make run` plays the game; `make test` runs the whole suite.
BUILD      ?= build
ASAN_BUILD ?= build-asan
WEB_BUILD  ?= build-web
WEB_PORT   ?= 8000
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=

ifdef CI
CMAKE_FLAGS += -DZARNOK_WERROR=ON
endif

.PHONY: all build deps configure compile data run test test-asan test-fuzz fuzz soak bench install uninstall \
	format clean web serve-web

all: build

# Packages: playing needs the "play" group; the tests and benchmarks also need the "test" group.
# A target-specific value passes on to the prerequisites built for that target.
DEPS_GROUPS ?= play
test test-asan test-fuzz fuzz soak bench web serve-web: DEPS_GROUPS = play test

deps:
	@scripts/deps.sh $(DEPS_GROUPS)

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

# What playing needs: the game and the data generator. The scenario runner, the test programs and
# the benchmarks are built by `make test` and `make bench`.
compile: configure
	@cmake --build $(BUILD) -j $(JOBS) --target zarnok zarnok-datagen

# The game's images, fonts and sounds are generated, never committed.
data: compile
	@$(BUILD)/zarnok-datagen --out data --if-stale

build: data

run: build
	./$(BUILD)/zarnok

test: build test-asan test-fuzz web
	@cmake --build $(BUILD) -j $(JOBS) --target all test-programs
	@scripts/with-display.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer) of the tests labelled "sanitize".
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DZARNOK_SANITIZE=ON -DZARNOK_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS) --target sanitized-tests
	@scripts/with-display.sh ctest --test-dir $(ASAN_BUILD) -L sanitize --output-on-failure -j $(JOBS)

# The fuzz targets (fuzz/), built with clang and libFuzzer; `make test` runs each for a few seconds.
# A long run of one: build-fuzz/fuzz/fuzz-NAME -max_total_time=600 NEWDIR fuzz/corpus/NAME
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZARNOK_FUZZ=ON \
		-DZARNOK_TESTS=OFF -DZARNOK_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz-targets

test-fuzz: fuzz
	@ctest --test-dir $(FUZZ_BUILD) -L fuzz --output-on-failure -j $(JOBS)

# The long soak: a million updates of seeded random input through the sanitizer build of the game
# (`make test` runs 20,000). ZARNOK_SOAK_SEED picks another seed.
soak: build
	@cmake -S . -B $(ASAN_BUILD) -DZARNOK_SANITIZE=ON -DZARNOK_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS) --target game_hardening_tests
	@ZARNOK_SOAK_UPDATES=$${ZARNOK_SOAK_UPDATES:-1000000} scripts/with-display.sh \
		$(ASAN_BUILD)/tests/game_hardening_tests --gtest_filter='Soak.*'

# Every benchmark program, results as JSON in bench/results/; fails when a program misses a budget.
bench: build
	@cmake --build $(BUILD) -j $(JOBS) --target bench-programs
	@mkdir -p bench/results; status=0; \
	for b in $(BUILD)/bench/*; do \
	  [ -f "$$b" ] && [ -x "$$b" ] || continue; \
	  n=$$(basename "$$b"); \
	  scripts/with-display.sh "$$b" --benchmark_out=bench/results/$$n.json --benchmark_out_format=json || status=1; \
	done; \
	if [ $$status -ne 0 ]; then echo "make bench: a budget was missed"; fi; exit $$status

# The game in a web page: $(WEB_BUILD)/ holds index.html, game.js, game.wasm and game.data (the
# generated data), built with Debian's Emscripten. `make serve-web` serves it on 127.0.0.1.
web: data
	@NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@NODE_PATH=/usr/share/nodejs cmake --build $(WEB_BUILD) -j $(JOBS) --target zarnok

serve-web: web
	@echo "Zarnok: open http://127.0.0.1:$(WEB_PORT)/ in your browser (Ctrl-C stops the server)"
	@node web/serve.mjs $(WEB_BUILD) $(WEB_PORT)

# Installs the game, its data, the `zarnok` launcher, the menu entry and the icons under PREFIX;
# `make uninstall` removes what the last `make install` wrote (listed in the build folder).
PREFIX ?= /usr/local

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

uninstall:
	@scripts/uninstall.sh $(BUILD)/install_manifest.txt

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WEB_BUILD)
