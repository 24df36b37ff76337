# The two commands of the README:
#   make demo  - builds the plug-in and the converter and converts the bundled examples to PNG
#   make test  - installs what is missing, builds everything and runs every test
.PHONY: all setup demo test native asan tsan mingw32 mingw64 bench fuzz clean

JOBS ?= $(shell nproc)
CMAKE ?= cmake

all: native

setup:
	bash tools/setup.sh

native:
	bash tools/setup.sh --native
	$(CMAKE) -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_BUILD_TESTS=OFF
	$(CMAKE) --build build -j $(JOBS)

demo: setup native
	bash tools/convert-examples.sh build out

asan:
	$(CMAKE) -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORN_SANITIZE=ON
	$(CMAKE) --build build-asan -j $(JOBS)

# ThreadSanitizer: only the check that decodes in many threads at once.
tsan:
	$(CMAKE) -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORN_SANITIZE=thread
	$(CMAKE) --build build-tsan -j $(JOBS) --target vorn_threads_check

mingw32:
	$(CMAKE) -S . -B build-mingw32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	$(CMAKE) --build build-mingw32 -j $(JOBS)

# Vorn.sph, the 64-bit plug-in; its tests run under 64-bit Wine.
mingw64:
	$(CMAKE) -S . -B build-mingw64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
	$(CMAKE) --build build-mingw64 -j $(JOBS)

test: setup asan tsan mingw32 mingw64
	cd build-asan && ctest --output-on-failure -j $(JOBS)
	build-tsan/tests/vorn_threads_check
	cd build-mingw32 && ctest --output-on-failure
	cd build-mingw64 && ctest --output-on-failure
	bash fuzz/run-fuzzers.sh

# Every fuzz target for VORN_FUZZ_SECONDS (default 60) each; see fuzz/run-fuzzers.sh.
fuzz:
	bash fuzz/run-fuzzers.sh

bench:
	$(CMAKE) -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_BUILD_BENCH=ON -DVORN_BUILD_TESTS=OFF
	$(CMAKE) --build build-bench -j $(JOBS)
	for b in build-bench/bench/vorn_bench_*; do $$b; done

clean:
	rm -rf build build-asan build-tsan build-mingw32 build-mingw64 build-bench build-fuzz out
