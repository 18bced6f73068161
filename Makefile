# Set-up, build, demo and tests. Every target installs what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps build demo test examples expected clean

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

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

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
