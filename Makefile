# The README's two commands: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=

FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20

.PHONY: deps build run test test-asan fuzz bench accuracy render package package-check clean

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run $(BUILD)/voltmere

test: build
	@scripts/run-tests $(BUILD)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVOLTMERE_SANITIZE=ON -DVOLTMERE_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	@scripts/run-tests $(ASAN_BUILD)

# The /proc parsers under libFuzzer with ASan+UBSan, each for FUZZ_SECONDS,
# seeded from tests/fixtures. Needs clang.
fuzz:
	CXX=clang++ cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	@scripts/run-bench $(BUILD)

# Real readers against independent measurements; needs root (namespaces).
accuracy: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target voltmere-probe
	@scripts/accuracy $(BUILD)

# The Debian package (build/voltmere_<version>_<arch>.deb), checked by the
# desktop tools; `package-check` then installs, tries and removes it (root).
package: build
	cmake --build $(BUILD) --target package
	@scripts/validate-package $(BUILD)

package-check: package
	@scripts/check-package $(BUILD)/voltmere_*.deb

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
