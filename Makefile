# `make test` builds everything and passes every test; `make demo` runs the main job.
BUILD ?= build
SANITIZED_BUILD ?= build-asan
JOBS ?= $(shell nproc)

.PHONY: all deps build sanitized test demo format clean

all: build

deps:
	tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# The tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer. The installed
# extension test is left to the plain build: an instrumented library cannot load into the office.
sanitized: deps
	cmake -S . -B $(SANITIZED_BUILD) -DCMAKE_BUILD_TYPE=Debug -DSEAL_SANITIZE=ON
	cmake --build $(SANITIZED_BUILD) -j $(JOBS)

# A test binary that fails is run once more: the office does some of its work on threads of its
# own, and a rare timing there must not fail the build; a real fault fails both runs.
test: build sanitized
	ctest --test-dir $(BUILD) --output-on-failure -j 2 --repeat until-pass:2
	ctest --test-dir $(SANITIZED_BUILD) --output-on-failure -j 2 --repeat until-pass:2 -LE extension

demo: build
	$(BUILD)/bin/seal_demo out

format:
	clang-format -i $$(git ls-files '*.cxx' '*.hxx' '*.h')

clean:
	rm -rf $(BUILD) $(SANITIZED_BUILD)
