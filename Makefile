# Makefile - thin front door over CMake.  `make demo` and `make test` do everything.
NATIVE := build/native
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVN_WERROR=ON
CTEST_FLAGS ?= --output-on-failure --timeout 300

.PHONY: all deps native demo test test-native bench package clean

all: native

deps:
	@tools/install-deps.sh native

native: deps
	cmake -S . -B $(NATIVE) $(CMAKE_FLAGS)
	cmake --build $(NATIVE)

demo: native
	$(NATIVE)/bench/codec_demo

test-native: native
	ctest --test-dir $(NATIVE) $(CTEST_FLAGS)

test: test-native

bench: native
	$(NATIVE)/bench/codec_bench

# The Debian package of the native build, in build/native.
package: native
	cd $(NATIVE) && cpack -G DEB

clean:
	rm -rf build
