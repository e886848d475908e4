# Front door: `make run`, `make test`, `make package`, `make bench`, `make asan`, `make tsan`,
# `make fuzz`, `make coverage`.
JOBS ?= $(shell nproc)
BUILD ?= build
# WERROR=ON turns compiler warnings into errors (CI builds so).
WERROR ?= OFF
FUZZ_SECONDS ?= 60
# Tests of the engine's worker thread and pool, built and run under the thread sanitizer.
FUZZ_TARGETS := $(notdir $(basename $(wildcard fuzz/fuzz_*.cpp)))
TSAN_TESTS := $(notdir $(basename $(wildcard tests/*/test_*threads*.cpp)))

.PHONY: deps configure build run screenshots test package bench asan tsan fuzz coverage clean format format-check

deps:
	@bash scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DVELMORA_WERROR=$(WERROR)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/src/velmora $(ARGS)

# Renders every page of the window offscreen with a model typed in, into docs/screenshots.
screenshots: build
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/src/velmora --screenshots docs/screenshots

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The Debian package velmora_<version>_<arch>.deb, copied here for
# `sudo apt install ./velmora_*.deb`.
package: build
	rm -f $(BUILD)/velmora_*.deb
	cmake --build $(BUILD) -j $(JOBS) --target package
	cp $(BUILD)/velmora_*.deb .

# The MPI benchmarks run on two ranks of one thread each, free to use every core.
bench: build
	@set -e; for b in $(BUILD)/bench/bench_*; do \
	  [ -f "$$b" ] && [ -x "$$b" ] || continue; echo "== $$b"; \
	  case "$$b" in */bench_mpi*) run="mpirun --allow-run-as-root --oversubscribe --bind-to none -np 2";; \
	  *) run="";; esac; $$run "$$b" --benchmark_counters_tabular=true; done

# Tests in an address/undefined-behaviour sanitizer build.
asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=address,undefined \
	  -DVELMORA_BUILD_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# The engine's worker and thread pool under the thread sanitizer.
tsan: deps
ifneq ($(TSAN_TESTS),)
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=thread \
	  -DVELMORA_BUILD_BENCH=OFF
	cmake --build build-tsan -j $(JOBS) --target $(TSAN_TESTS)
	cd build-tsan && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp" \
	  ctest --output-on-failure -L threads -j $(JOBS)
else
	@echo "tsan: no thread tests yet"
endif

# Line and branch coverage of src/ by the whole test suite (gcov + gcovr), window included.
# The summary is printed; build-coverage/coverage.html has the per-file detail.
coverage: deps
	cmake -S . -B build-coverage -DCMAKE_BUILD_TYPE=Release -DVELMORA_COVERAGE=ON \
	  -DVELMORA_BUILD_BENCH=OFF
	cmake --build build-coverage -j $(JOBS)
	find build-coverage -name '*.gcda' -delete
	cd build-coverage && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	gcovr --root $(CURDIR) --filter '$(CURDIR)/src/' --exclude '.*_autogen/.*' \
	  --exclude-unreachable-branches --exclude-throw-branches \
	  --print-summary --html-details build-coverage/coverage.html build-coverage

# Coverage-guided fuzzing of the text parsers with libFuzzer (clang).
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVELMORA_BUILD_FUZZ=ON -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
	@set -e; for f in build-fuzz/fuzz/fuzz_*; do \
	  [ -f "$$f" ] && [ -x "$$f" ] || continue; n=$$(basename $$f); mkdir -p fuzz-out/$$n; \
	  echo "== $$n ($(FUZZ_SECONDS) s)"; \
	  "$$f" -max_total_time=$(FUZZ_SECONDS) -max_len=512 fuzz-out/$$n fuzz/corpus/$$n 2>&1 | tail -n 3; done

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# Fails, naming the files, when a source file is not formatted as .clang-format says.
format-check: deps
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-asan build-tsan build-fuzz build-coverage
