# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
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

# Hardening: the whole suite under ASan/UBSan (less the package checks: a
# sanitized build is never shipped), lint, and bounded fuzzing.
SAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
SAN_ENV = QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp

.PHONY: test-sanitize lint fuzz
test-sanitize: deps
	@cmake -S . -B $(SAN_DIR) -DQUIBEX_SANITIZE=ON -DQUIBEX_HARDEN=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SAN_DIR) -j$(JOBS)
	@cd $(SAN_DIR) && $(SAN_ENV) ctest --output-on-failure -j$(JOBS) -LE package

lint: build
	@./scripts/lint.sh $(BUILD_DIR)

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DQUIBEX_FUZZ=ON -DQUIBEX_HARDEN=OFF -DQUIBEX_BUILD_UI=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j$(JOBS) --target fuzz_transform fuzz_output_name fuzz_format_judges
	@$(FUZZ_DIR)/tests/fuzz/fuzz_transform -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1
	@$(FUZZ_DIR)/tests/fuzz/fuzz_output_name -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1
	@$(FUZZ_DIR)/tests/fuzz/fuzz_format_judges -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
		-rss_limit_mb=1024

.PHONY: package
package: build
	@cd $(BUILD_DIR) && cpack -G DEB
