# ZORKAN — the two commands of the README, and their helpers.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
RELEASE_BUILD ?= build-release
FUZZ_SECONDS ?= 20
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
# ccache, where the machine has it, makes the four builds of make test share their work.
CMAKE_ARGS += $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all deps configure build run test check-asan check-release fuzz fuzz-smoke screenshots bench format clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORKAN_WERROR=ON $(CMAKE_ARGS)

configure: $(BUILD)/CMakeCache.txt

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

workspace: build
	@mkdir -p workspace
	@cp assets/help.txt workspace/help.txt 2>/dev/null || true

run: build workspace
	@if [ -x $(BUILD)/zorkan ]; then \
		cd workspace && ../$(BUILD)/zorkan; \
	else \
		cd workspace && ../$(BUILD)/zorkan-cli design; \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) check-release
	$(MAKE) fuzz-smoke
	$(MAKE) check-asan

# The command-line program as users and packagers build it, with g++ at -O3: a warning
# that only the optimiser sees must not come back.
check-release: deps
	cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release -DZORKAN_WERROR=ON \
		-DZORKAN_WITH_UI=OFF -DZORKAN_WITH_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(RELEASE_BUILD) -j $(JOBS) --target zorkan-cli

# Core and window tests under AddressSanitizer and UBSan; Qt's own leaks are suppressed
# in tests/sanitizers/lsan.supp.
check-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZORKAN_WERROR=ON -DZORKAN_WITH_BENCH=OFF \
		-DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
		$(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && \
		ASAN_OPTIONS=detect_leaks=1 \
		LSAN_OPTIONS=suppressions=$(abspath tests/sanitizers/lsan.supp):print_suppressions=0 \
		UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS)

# libFuzzer harnesses of every reader of outside data, built with clang, each run for
# FUZZ_SECONDS; fuzz-smoke is the short pass of make test.
$(FUZZ_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DZORKAN_FUZZ=ON -DZORKAN_WERROR=ON -DZORKAN_WITH_UI=OFF -DZORKAN_WITH_BENCH=OFF $(CMAKE_ARGS)

fuzz: deps $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

fuzz-smoke:
	$(MAKE) fuzz FUZZ_SECONDS=3

screenshots: build
	@mkdir -p $(BUILD)/screenshots
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ./ui_tests -screenshots $(abspath $(BUILD))/screenshots

bench: build
	$(BUILD)/bench

# The Debian package zorkan_<version>_<arch>.deb, in $(BUILD)/.
.PHONY: package
package: build
	cd $(BUILD) && cpack -G DEB

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(RELEASE_BUILD)
