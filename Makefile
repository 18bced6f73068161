# Set-up, build, demo and tests. Every target installs what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps build demo test examples expected clean asan fuzz

all: build

deps:
	@bash scripts/install-deps

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Translates every sample tile in examples/ into out/, one output set each.
demo: build
	@bash scripts/demo $(BUILD)/app/cli/quorvel examples out

# The whole suite in the normal tree, then again in a tree built with
# AddressSanitizer and UndefinedBehaviorSanitizer, where any report fails.
ASAN_BUILD ?= build-asan
SANITIZER_ENV = ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1:check_initialization_order=1:detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory asan
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-windows

$(ASAN_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_SANITIZE=ON -DQUORVEL_BUILD_GUI=OFF

asan: deps $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# (FUZZ_TARGETS="records landline" runs some). Inputs that fail are kept in
# $(FUZZ_BUILD)/findings; what each run adds to its corpus stays in
# $(FUZZ_BUILD)/corpus for the next run.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
FUZZ_TARGETS ?= records recognition archive codepoint landline meridian oscar landform strategi boundaryline preview

$(FUZZ_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUORVEL_FUZZ=ON -DQUORVEL_BUILD_GUI=OFF -DQUORVEL_BUILD_TESTS=OFF

fuzz: deps $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) --target fuzz-targets -j $(JOBS)
	@bash fuzz/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# quorvel.exe for 64-bit Windows, cross-built with MinGW-w64 (static: no
# DLL beyond Windows' own), with the sine table of the native build so
# that both write the same bytes.
WINDOWS_BUILD ?= build-windows
WINDOWS_FLAGS = -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
	-DQUORVEL_BUILD_GUI=OFF -DQUORVEL_BUILD_PREVIEW=OFF -DQUORVEL_SINE_TABLE=$(abspath $(BUILD))/generated/sine_table.inc

.PHONY: windows-deps windows
windows-deps:
	@bash scripts/install-deps windows

$(WINDOWS_BUILD)/CMakeCache.txt: | windows-deps build
	cmake -S . -B $(WINDOWS_BUILD) $(WINDOWS_FLAGS) -DQUORVEL_BUILD_TESTS=OFF

windows: windows-deps build $(WINDOWS_BUILD)/CMakeCache.txt
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target quorvel

# The suites that apply on Windows (tests/windows_tests.cmake) in
# $(WINDOWS_BUILD), run under Wine in a prefix of that tree's own, made at
# the first run without asking anything. A failed test fails the target.
.PHONY: test-windows
test-windows: windows-deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target quorvel_sine_table
	cmake -S . -B $(WINDOWS_BUILD) $(WINDOWS_FLAGS) -DQUORVEL_BUILD_TESTS=ON
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target quorvel quorvel_windows_tests
	cd $(WINDOWS_BUILD) && ctest --output-on-failure

# Regenerates the sample tiles from the generator (developers only).
examples: build
	@bash scripts/make-examples $(BUILD)/tools/ntfgen/quorvel-ntfgen examples

# Rewrites the expected end-to-end output from the current build (all tiles,
# or TILES="name.ntf ..."); review the
# diff before committing it.
expected: build
	@bash scripts/make-expected $(BUILD)/app/cli/quorvel examples tests/e2e/expected $(TILES)

clean:
	rm -rf $(BUILD) out

# Pictures of the desktop window and every dialog, for the README.
.PHONY: screenshots
screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/app/gui/quorvel-gui-screenshots docs/screenshots examples/codepoint_small.ntf

# Every sample tile translated and drawn by quorvel-preview into
# docs/gallery/NAME.png (800 pixels), for the README.
.PHONY: gallery
gallery: build
	QT_QPA_PLATFORM=offscreen bash scripts/make-gallery $(BUILD)/app/cli/quorvel $(BUILD)/app/preview/quorvel-preview examples docs/gallery 800
