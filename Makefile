# `make test` builds everything and passes every test; `make demo` runs the main job.
BUILD ?= build
SANITIZED_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
ENDURANCE_CYCLES ?= 1000
JOBS ?= $(shell nproc)

.PHONY: all deps build check sanitized fuzz-build fuzz endurance test demo bench format \
	format-check clean

all: build

deps:
	tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# The inner loop: the plain build and the tests that need no office, in a minute or two.
check: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -L unit

# The tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer. The installed
# extension test is left to the plain build: an instrumented library cannot load into the office.
sanitized: deps
	cmake -S . -B $(SANITIZED_BUILD) -DCMAKE_BUILD_TYPE=Debug -DSEAL_SANITIZE=ON
	cmake --build $(SANITIZED_BUILD) -j $(JOBS)

# The libFuzzer targets, built by clang with AddressSanitizer and UndefinedBehaviorSanitizer.
fuzz-build: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSEAL_FUZZ=ON \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Runs every fuzz target for FUZZ_SECONDS seconds and shows how fast each one ran.
fuzz: fuzz-build
	FUZZ_SECONDS=$(FUZZ_SECONDS) ctest --test-dir $(FUZZ_BUILD) --output-on-failure -j $(JOBS)
	@for log in $(FUZZ_BUILD)/tests/fuzz/runs/*/log; do \
	    printf '%-34s %s\n' "$$(basename $$(dirname $$log))" \
	        "$$(grep -h '^stat::average_exec_per_sec' $$log)"; done

# Stamping, verifying and removing ENDURANCE_CYCLES times in one office, with the office's memory
# and what else could pile up printed along the way (make test runs 30 cycles).
endurance: build
	ENDURANCE_CYCLES=$(ENDURANCE_CYCLES) $(BUILD)/bin/endurance_office_tests

# A test binary that fails is run once more: the office does some of its work on threads of its
# own, and a rare timing there must not fail the build; a real fault fails both runs. Those that
# needed the second run are named at the end: each is a fault to find, not to hide.
test: build sanitized fuzz-build
	rm -f $(BUILD)/Testing/Temporary/LastTest.log $(SANITIZED_BUILD)/Testing/Temporary/LastTest.log
	ctest --test-dir $(BUILD) --output-on-failure -j 2 --repeat until-pass:2
	ctest --test-dir $(SANITIZED_BUILD) --output-on-failure -j 2 --repeat until-pass:2 -LE extension
	FUZZ_SECONDS=3 ctest --test-dir $(FUZZ_BUILD) --output-on-failure -j 2
	@.ci/second-runs $(BUILD) $(SANITIZED_BUILD)

# The demo, then the same clerk's work in a visible office with the installed extension, whose
# screenshots (the Seal menu, a stamped page, an invalid seal under its infobar) go to out/ too.
# The seal operations timed inside the office beside their floor, then 1,000 stamped documents
# opened and verified in batch; minutes, not part of test.
bench: build
	$(BUILD)/bin/seal_bench out/bench
	tools/dev/bench/batch-bench.sh $(BUILD) out/bench/batch 1000

demo: build
	$(BUILD)/bin/seal_demo out
	$(BUILD)/bin/suite_gui_tests --gtest_brief=1
	for shot in seal-menu stamped-page invalid-seal; do \
	    cp $(BUILD)/tests/gui-shots/$$shot.png out/screenshot-$$shot.png || exit 1; \
	done

format:
	clang-format -i $$(git ls-files '*.cxx' '*.hxx' '*.h')

format-check: deps
	clang-format --dry-run --Werror $$(git ls-files '*.cxx' '*.hxx' '*.h')

clean:
	rm -rf $(BUILD) $(SANITIZED_BUILD) $(FUZZ_BUILD)
