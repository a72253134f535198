# The README's commands: `make run` starts the program, `make test` runs every test.
# Each first installs the Debian packages that are missing, configures build/ and builds.

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: all build configure deps test-deps run test bench clean

all: build

deps:
	@bash scripts/install-deps.sh

test-deps:
	@bash scripts/install-deps.sh --with-test-tools

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(if $(wildcard /usr/bin/ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "make run: no display found. Vantrel Oruk is a desktop program: start it from a" >&2; \
	    echo "desktop session, or under a virtual display with: xvfb-run -a make run" >&2; \
	    exit 1; \
	fi
	@$(BUILD_DIR)/bin/vantrel-oruk

test: test-deps build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@bash bench/listing-bench.sh

clean:
	@rm -rf $(BUILD_DIR)
