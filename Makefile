# Wrapper around CMake + Ninja. `make run` and `make test` install what is
# missing, configure, build and then start the main job or run every test.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
# SANITIZE=address (AddressSanitizer + UBSan) or SANITIZE=thread; each
# sanitizer gets a build tree of its own.
SANITIZE ?=
ifneq ($(SANITIZE),)
BUILD_DIR := build-$(SANITIZE)
endif
CTEST_ARGS ?=

.PHONY: all deps configure build run test bench clean format

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DVVC_SANITIZE=$(SANITIZE) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

run: build
	@$(BUILD_DIR)/bin/vvc-cli libraries

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j2 $(CTEST_ARGS)

# Speed and memory benchmarks (by hand; not part of the tests).
bench: build
	@for b in bench/*; do [ -x "$$b" ] && "$$b" $(BUILD_DIR); done

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf $(BUILD_DIR)
