# Makefile - thin front door over CMake.  `make demo` and `make test` do everything.
LIB := build/lib
NATIVE := build/native
WIN64 := build/win64
WIN32 := build/win32
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVN_WERROR=ON
CTEST_FLAGS ?= --output-on-failure --timeout 300

.PHONY: all deps deps-lib deps-windows deps-all lib native win64 win32 demo test test-native test-windows \
        test-win64 test-win32 test-packages bench package package-windows clean \
        asan tsan fuzz test-asan test-tsan test-sanitizers fuzz-smoke fuzz-long soak format format-check

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
	cmake -S . -B $(LIB) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVN_BUILD_TESTS=OFF -DKVN_BUILD_BENCH=OFF
	cmake --build $(LIB) --target kvn kvn_archive kvnlink

native: deps
	cmake -S . -B $(NATIVE) $(CMAKE_FLAGS)
	cmake --build $(NATIVE)

win64: deps-windows
	cmake -S . -B $(WIN64) $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
	cmake --build $(WIN64) -j2

# Without 32-bit Wine nothing of this tree can run, so only the DLL is built
# (its file is checked, and it goes into the ZIP), not the test programs.
win32: deps-all
	cmake -S . -B $(WIN32) $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake
	if [ -x /usr/lib/wine/wine ]; then cmake --build $(WIN32) -j2; else cmake --build $(WIN32) -j2 --target kvn; fi

demo: lib
	$(LIB)/tools/kvnlink/kvnlink demo

test-native: native
	ctest --test-dir $(NATIVE) $(CTEST_FLAGS)

# The Windows trees run their tests under Wine, one after the other (each has
# its own Wine prefix and server).
# The suites labelled `long` (the thousand-cycle leak check, the 100,000-message
# soak) run in the 64-bit tree; the 32-bit tree runs everything else, which
# keeps CI within its time.
# Without 32-bit Wine the 32-bit tree's programs are built, and each one that
# would run under Wine is a skipped test.
test-win64: win64
	ctest --test-dir $(WIN64) $(CTEST_FLAGS)

test-win32: win32
	ctest --test-dir $(WIN32) $(CTEST_FLAGS) -LE long

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

# The Debian package (build/native/kvn_*.deb), from the native tree alone.
package: native
	cd $(NATIVE) && cpack -G DEB

# The Windows ZIP (build/kvn-*-windows.zip): needs MinGW for both DLLs.

# The ZIP is collected from both Windows trees and its contents checked.
package-windows: win64 win32
	tools/make-windows-zip.sh $(WIN64) $(WIN32) build
	v=$$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' $(WIN64)/CMakeCache.txt); \
	    tests/package/check_windows_zip.sh build/kvn-$$v-windows.zip $$v

# ---- reliability: sanitizer trees, fuzzing, soak --------------------------------
ASAN := build/asan
TSAN := build/tsan
FUZZ := build/fuzz
SAN_CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVN_WERROR=ON -DKVN_BUILD_BENCH=OFF -DKVN_BUILD_TOOLS=OFF
ASAN_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
# halt_on_error: the first report fails the run; detect_leaks: LeakSanitizer at exit.
export ASAN_OPTIONS ?= halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS ?= halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS ?= halt_on_error=1:second_deadlock_stack=1
FUZZ_TARGETS := decoder_fuzz encoder_roundtrip_fuzz tcp_framing_fuzz serial_receiver_fuzz
FUZZ_SECONDS ?= 45

asan: deps
	cmake -S . -B $(ASAN) $(SAN_CMAKE_FLAGS) "-DCMAKE_CXX_FLAGS=$(ASAN_FLAGS)" "-DCMAKE_C_FLAGS=$(ASAN_FLAGS)" \
	    "-DCMAKE_EXE_LINKER_FLAGS=$(ASAN_FLAGS)" "-DCMAKE_SHARED_LINKER_FLAGS=$(ASAN_FLAGS)"
	cmake --build $(ASAN) -j2

test-asan: asan
	ctest --test-dir $(ASAN) $(CTEST_FLAGS)

tsan: deps
	cmake -S . -B $(TSAN) $(SAN_CMAKE_FLAGS) -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_C_FLAGS=-fsanitize=thread \
	    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread
	cmake --build $(TSAN) -j2

# The suites labelled `threads` (links, faults, soak and lifetime checks):
# every race TSan sees fails its test.
test-tsan: tsan
	ctest --test-dir $(TSAN) $(CTEST_FLAGS) -L threads

test-sanitizers: test-asan test-tsan

fuzz: deps
	cmake -S . -B $(FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVN_WERROR=ON -DKVN_FUZZ=ON \
	    -DKVN_BUILD_BENCH=OFF -DKVN_BUILD_TOOLS=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	    "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
	cmake --build $(FUZZ) -j2 --target $(FUZZ_TARGETS:%=kvn_%)

# Each target for FUZZ_SECONDS on a scratch corpus seeded from tests/fuzz/corpus;
# the log keeps the run, the final stats are printed.
fuzz-smoke: fuzz
	set -e; for t in $(FUZZ_TARGETS); do \
	    rm -rf $(FUZZ)/corpus/$$t; mkdir -p $(FUZZ)/corpus/$$t; \
	    $(FUZZ)/tests/fuzz/kvn_$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(FUZZ)/ \
	        $(FUZZ)/corpus/$$t tests/fuzz/corpus/$$t >$(FUZZ)/$$t.log 2>&1 || { tail -60 $(FUZZ)/$$t.log; exit 1; }; \
	    echo "== fuzz: $$t, corpus $$(ls $(FUZZ)/corpus/$$t | wc -l) files"; \
	    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|^Done' $(FUZZ)/$$t.log; done

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
