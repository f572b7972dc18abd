# The commands of the README. Everything else is plain CMake with presets.
PRESET ?= default
JOBS   ?= $(shell nproc)

.PHONY: all deps configure build test test-asan package run format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	ctest --preset $(PRESET) -j $(JOBS)

test-asan:
	$(MAKE) test PRESET=asan

# kelvarin_<version>_amd64.deb in this folder, for apt install ./kelvarin_*.deb
package: build
	cd build/$(PRESET) && cpack
	cp build/$(PRESET)/kelvarin_*_amd64.deb .

run: build
	@scripts/run-demo build/$(PRESET)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
