# The README's commands: `make run` starts the program, `make test` runs every test.
# Each first installs the Debian packages that are missing, configures build/ and builds.
# `make test` checks the formatting, runs the suite, then runs it again in a second
# build with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/), and the
# tests of the code that starts threads in a third, with ThreadSanitizer (build-tsan/);
# `make check-fast` is the same without the sanitizer build, for day-to-day work.
# `make install` installs the build under PREFIX (inside DESTDIR when given); `make deb`
# makes the Debian package build/vantrel-oruk_<version>_<arch>.deb.

BUILD_DIR ?= build
SANITIZE_BUILD_DIR ?= build-asan
THREAD_SANITIZE_BUILD_DIR ?= build-tsan
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
MAKEFLAGS += --no-print-directory

.PHONY: all build configure deps test-deps run test check-fast sanitize-test thread-test format-check translations \
        format fuzz bench clean install deb

all: build

deps:
	@bash scripts/install-deps.sh

test-deps:
	@bash scripts/install-deps.sh --with-test-tools

CCACHE = $(if $(wildcard /usr/bin/ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# One cache for every clone of the project: paths are hashed relative to the clone.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CCACHE) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "make run: no display found. Vantrel Oruk is a desktop program: start it from a" >&2; \
	    echo "desktop session, or under a virtual display with: xvfb-run -a make run" >&2; \
	    exit 1; \
	fi
	@$(BUILD_DIR)/bin/vantrel-oruk

# Builds when there is no build yet, else only brings it up to date without configuring
# again, so that `sudo make install` after `make` leaves no file of root's in the build.
install:
	@if [ ! -f $(BUILD_DIR)/CMakeCache.txt ]; then $(MAKE) build; fi
	@cmake --build $(BUILD_DIR) -j $(JOBS)
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

deb: build
	@cd $(BUILD_DIR) && cpack -G DEB

test: check-fast sanitize-test thread-test

check-fast: test-deps format-check build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Any report of a sanitizer fails its test: ASan and LSan end the process with an
# error status, UBSan stops at the first finding. Leaks that Qt's own libraries leave
# at exit are listed in tests/lsan.supp.
SANITIZER_ENV = QT_QPA_PLATFORM=offscreen \
    ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1 \
    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

sanitize-test: test-deps
	@cmake -S . -B $(SANITIZE_BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DVANTREL_SANITIZE=ON $(CCACHE) >/dev/null
	@cmake --build $(SANITIZE_BUILD_DIR) -j $(JOBS)
	@cd $(SANITIZE_BUILD_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

# The tests of the code that starts threads (the walk's sort keys and file facts, the
# system layer's threads, the folder watchers), built with ThreadSanitizer
# (build-tsan/); any report fails the run. tests/tsan.supp says what of Qt it skips.
THREAD_SANITIZER_ENV = QT_QPA_PLATFORM=offscreen \
    TSAN_OPTIONS=halt_on_error=1:suppressions=$(CURDIR)/tests/tsan.supp
THREAD_TESTS = platform_system_tests:* \
    app_read_tests:* app_export_tests:ExportTree.*:ExportText.* \
    systree_tests:TFileChangeThread.*:ShellControl*

thread-test: test-deps
	@cmake -S . -B $(THREAD_SANITIZE_BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DVANTREL_THREAD_SANITIZE=ON $(CCACHE) >/dev/null
	@cmake --build $(THREAD_SANITIZE_BUILD_DIR) -j $(JOBS) \
	    --target $(foreach t,$(THREAD_TESTS),$(firstword $(subst :, ,$(t))))
	@set -e; for spec in $(THREAD_TESTS); do \
	    program=$${spec%%:*}; filter=$${spec#*:}; \
	    echo "ThreadSanitizer: $$program $$filter"; \
	    $(THREAD_SANITIZER_ENV) $(THREAD_SANITIZE_BUILD_DIR)/bin/$$program --gtest_brief=1 \
	        --gtest_filter="$$filter" || exit 1; \
	done

FORMAT_SOURCES = $(shell find platform systree richprint app tests bench fuzz \
    \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort)

format-check: test-deps
	@clang-format --dry-run --Werror $(FORMAT_SOURCES)

format:
	@clang-format -i $(FORMAT_SOURCES)

# Brings translations/*.ts up to date with the code's texts, keeping what is translated.
translations: configure
	@cmake --build $(BUILD_DIR) --target translations

# Coverage-guided fuzzing with clang's libFuzzer, FUZZ_SECONDS per target.
fuzz:
	@bash scripts/install-deps.sh --with-fuzz-tools
	@bash fuzz/run-fuzzers.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

bench: build
	@bash scripts/install-deps.sh --with-bench-tools
	@bash bench/listing-bench.sh
	@bash bench/namespace-bench.sh $(BUILD_DIR)
	@bash bench/links-bench.sh $(BUILD_DIR)
	@bash bench/export-siblings-bench.sh $(BUILD_DIR)
	@bash bench/export-headless-bench.sh $(BUILD_DIR)

clean:
	@rm -rf $(BUILD_DIR) $(SANITIZE_BUILD_DIR) $(THREAD_SANITIZE_BUILD_DIR) $(FUZZ_BUILD_DIR)
