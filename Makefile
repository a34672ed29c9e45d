# ZORKAN — the two commands of the README, and their helpers.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps configure build run test check-asan screenshots bench format clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

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
	$(MAKE) check-asan

check-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZORKAN_WITH_UI=OFF -DZORKAN_WITH_BENCH=OFF \
		-DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target core_tests zorkan-cli
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

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
	rm -rf $(BUILD) $(ASAN_BUILD)
