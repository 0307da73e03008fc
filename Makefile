# Makefile - thin front door over CMake.  `make demo` and `make test` do everything.
# Each tree is a preset of CMakePresets.json (cmake --preset NAME, cmake --build
# --preset NAME, ctest --preset NAME), in build/NAME: build/native, build/asan,
# build/tsan, build/fuzz, build/win64, build/win32 and build/lib.
LIB := build/lib
NATIVE := build/native
# Extra arguments for every configure step (say -DKVN_WERROR=OFF), and for ctest.
CMAKE_FLAGS ?=
CTEST_FLAGS ?=

.PHONY: all deps deps-lib deps-windows deps-all lib native win64 win32 demo test test-native test-windows \
        test-win64 test-win32 test-packages bench package package-windows clean \
        asan tsan fuzz test-asan test-tsan test-sanitizers fuzz-smoke fuzz-long soak format format-check diagrams

all: native

deps:
	@tools/install-deps.sh native

deps-lib:
	@tools/install-deps.sh lib

deps-windows:
	@tools/install-deps.sh windows

# Also 32-bit Wine, which only adds coverage: when it cannot be installed the
# 32-bit tree is still built and its files checked.
deps-all:
	@tools/install-deps.sh all

# The library and kvnlink alone: no tests, no benchmarks, only cmake, ninja and g++.
lib: deps-lib
	cmake --preset lib $(CMAKE_FLAGS)
	cmake --build --preset lib

native: deps
	cmake --preset native $(CMAKE_FLAGS)
	cmake --build --preset native

win64: deps-windows
	cmake --preset win64 $(CMAKE_FLAGS)
	cmake --build --preset win64

# Without 32-bit Wine nothing of this tree can run, so only the DLL is built
# (its file is checked, and it goes into the ZIP), not the test programs.
win32: deps-all
	cmake --preset win32 $(CMAKE_FLAGS)
	if [ -x /usr/lib/wine/wine ]; then cmake --build --preset win32; else cmake --build --preset win32-dll; fi

demo: lib
	$(LIB)/tools/kvnlink/kvnlink demo

# The diagrams of the docs (docs/images), drawn by kvnlink from the positions they show.
diagrams: lib
	tools/draw-diagrams.sh $(LIB)/tools/kvnlink/kvnlink docs/images

test-native: native
	ctest --preset native $(CTEST_FLAGS)

# The Windows trees run their tests under Wine, one after the other (each has
# its own Wine prefix and server).
# The suites labelled `long` (the thousand-cycle leak check, the 100,000-message
# soak) run in the 64-bit tree; the 32-bit tree runs everything else, which
# keeps CI within its time.
# Without 32-bit Wine the 32-bit tree's programs are built, and each one that
# would run under Wine is a skipped test.
test-win64: win64
	ctest --preset win64 $(CTEST_FLAGS)

test-win32: win32
	ctest --preset win32 $(CTEST_FLAGS)

test-windows: test-win64 test-win32 package-windows

# The Debian package and the Windows ZIP, each built and checked.
test-packages: package package-windows
	@echo "== ok: Debian package"; ls $(NATIVE)/*.deb
	@echo "== ok: Windows ZIP"; ls build/kvn-*-windows.zip

# Every part, even after one fails, then one line per part and the total
# (tools/run-tests.sh); the exit status says whether everything passed.
test:
	@tools/run-tests.sh

# Every benchmark in turn (about three minutes); quietest on an otherwise idle machine.
bench: native
	$(NATIVE)/bench/codec_bench
	$(NATIVE)/bench/tcp_bench
	$(NATIVE)/bench/serial_bench
	$(NATIVE)/bench/perft_bench

# The Debian packages (build/native/*.deb), from the native tree: its
# debian-packages target builds only the library and kvnlink, not the tests.
package: deps
	cmake --preset native $(CMAKE_FLAGS)
	cmake --build --preset package

# The Windows ZIP (build/kvn-*-windows.zip): needs MinGW for both DLLs.
# The win64 tree's windows-zip target collects it from both Windows trees and
# checks its contents.
package-windows: win64 win32
	cmake --build --preset windows-zip

# ---- reliability: sanitizer trees, fuzzing, soak --------------------------------
# halt_on_error: the first report fails the run; detect_leaks: LeakSanitizer at exit.
export ASAN_OPTIONS ?= halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS ?= halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS ?= halt_on_error=1:second_deadlock_stack=1

# The sanitizer trees: KVN_SANITIZE=address (ASan and UBSan) or thread, set by their presets.
asan: deps
	cmake --preset asan $(CMAKE_FLAGS)
	cmake --build --preset asan

test-asan: asan
	ctest --preset asan $(CTEST_FLAGS)

tsan: deps
	cmake --preset tsan $(CMAKE_FLAGS)
	cmake --build --preset tsan

# The suites labelled `threads` (links, faults, soak and lifetime checks):
# every race TSan sees fails its test.
test-tsan: tsan
	ctest --preset tsan $(CTEST_FLAGS)

test-sanitizers: test-asan test-tsan

# The fuzz targets are listed in tests/fuzz/CMakeLists.txt alone.
fuzz: deps
	cmake --preset fuzz $(CMAKE_FLAGS)
	cmake --build --preset fuzz

# Each target for 45 s (FUZZ_SECONDS=N for another time) on a scratch corpus
# seeded from tests/fuzz/corpus: the fuzz tree's tests, labelled fuzz, two at a time
# (one per core; each target still gets its full time).  Each
# log is build/fuzz/TARGET.log; the final stats are printed.
fuzz-smoke: fuzz
	$(if $(FUZZ_SECONDS),FUZZ_SECONDS=$(FUZZ_SECONDS)) ctest --preset fuzz $(CTEST_FLAGS)

fuzz-long:
	$(MAKE) fuzz-smoke FUZZ_SECONDS=300

# The soak of the test suite, 100,000 messages each way, ten times over (SOAK_ROUNDS).
SOAK_ROUNDS ?= 10
soak: native
	$(NATIVE)/tests/kvn_soak_tests --gtest_repeat=$(SOAK_ROUNDS) --gtest_brief=1

# Every C and C++ source of the tree in the checked-in style (.clang-format).
FORMAT_FILES = $(shell git ls-files '*.c' '*.h' '*.cpp')
format-check: deps
	clang-format --dry-run --Werror $(FORMAT_FILES)
	@echo "== ok: $(words $(FORMAT_FILES)) files in the checked-in style"

format: deps
	clang-format -i $(FORMAT_FILES)

clean:
	rm -rf build
