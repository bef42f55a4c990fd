# Thin wrapper around CMake; every target installs what is missing first.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?=
ifneq ($(CI),)
CMAKE_FLAGS += -DQUIBEX_WERROR=ON
endif

.PHONY: all deps configure build test run screenshot bench clean

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j$(JOBS)

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

run: build
	@./scripts/run.sh $(BUILD_DIR)/quibex-crypto

screenshot: build
	@./scripts/screenshot.sh $(BUILD_DIR)

bench: build
	@$(BUILD_DIR)/bench/transform_bench

clean:
	@rm -rf $(BUILD_DIR)
