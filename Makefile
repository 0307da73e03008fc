# Makefile - thin front door over CMake.  `make demo` and `make test` do everything.
NATIVE := build/native
WIN64 := build/win64
WIN32 := build/win32
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVN_WERROR=ON
CTEST_FLAGS ?= --output-on-failure --timeout 300

.PHONY: all deps deps-windows native win64 win32 demo test test-native test-windows bench package clean

all: native

deps:
	@tools/install-deps.sh native

deps-windows:
	@tools/install-deps.sh all

native: deps
	cmake -S . -B $(NATIVE) $(CMAKE_FLAGS)
	cmake --build $(NATIVE)

win64: deps-windows
	cmake -S . -B $(WIN64) $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
	cmake --build $(WIN64) -j2

win32: deps-windows
	cmake -S . -B $(WIN32) $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake
	cmake --build $(WIN32) -j2

demo: native
	$(NATIVE)/tools/kvnlink/kvnlink demo

test-native: native
	ctest --test-dir $(NATIVE) $(CTEST_FLAGS)

# The Windows trees run their tests under Wine, one after the other (each has
# its own Wine prefix and server).
test-windows: win64 win32
	ctest --test-dir $(WIN64) $(CTEST_FLAGS)
	ctest --test-dir $(WIN32) $(CTEST_FLAGS)

test: test-native
	$(MAKE) test-windows

bench: native
	$(NATIVE)/bench/codec_bench

# The Debian package of the native build, in build/native.
package: native
	cd $(NATIVE) && cpack -G DEB

clean:
	rm -rf build
