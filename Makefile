# Two commands from a fresh clone: `make run` and `make test`. Both install what
# they need first (scripts/install-deps.sh: `make run` only the packages that
# building and running need, the others those of their own set) and build with
# CMake and Ninja.
JOBS   ?= $(shell nproc)
CMAKE  ?= cmake
GEN    := -G Ninja

.PHONY: all deps deps-run deps-bench deps-fuzz build build-run run test test-asan test-tsan test-thread-safety soak bench fuzz clean

all: build

deps:
	@./scripts/install-deps.sh test
deps-run:
	@./scripts/install-deps.sh run
deps-bench:
	@./scripts/install-deps.sh bench
deps-fuzz:
	@./scripts/install-deps.sh fuzz

build/release/build.ninja: | deps-run
	$(CMAKE) -S . -B build/release $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTM_TESTS=OFF

build: deps-run build/release/build.ninja
	$(CMAKE) --build build/release -j $(JOBS)

# The programs that `make run` installs and runs, with what they link and the
# event message file; nothing else.
RUN_TARGETS := kelvane tmrun ostrel fennick tm_events
build-run: deps-run build/release/build.ninja
	$(CMAKE) --build build/release -j $(JOBS) --target $(RUN_TARGETS)

# Builds, lays a fresh copy of examples/plant under build/plant, installs the
# programs into its run/bin and runs them there; then runs TM32 on a loopback
# copy of the sample and has one of its controllers track a bag.
run: build-run
	@./scripts/run-plant.sh build/release build/plant

build/asan/build.ninja: | deps
	$(CMAKE) -S . -B build/asan $(GEN) -DCMAKE_BUILD_TYPE=Debug -DTM_SANITIZE=address,undefined -DTM_WERROR=ON

build/tsan/build.ninja: | deps
	$(CMAKE) -S . -B build/tsan $(GEN) -DCMAKE_BUILD_TYPE=Debug -DTM_SANITIZE=thread -DTM_WERROR=ON -DTM_THREADS_ONLY=ON

build/clang-tsa/build.ninja: | deps
	CXX=clang++ $(CMAKE) -S . -B build/clang-tsa $(GEN) -DCMAKE_BUILD_TYPE=Debug -DTM_TESTS=OFF -DTM_WERROR=ON -DTM_THREAD_SAFETY=ON

# Every test under AddressSanitizer and UndefinedBehaviorSanitizer, then the
# threaded ones under ThreadSanitizer, then clang's lock check of the libraries.
test: deps test-asan test-tsan test-thread-safety

test-asan: build/asan/build.ninja
	$(CMAKE) --build build/asan -j $(JOBS)
	cd build/asan && ctest -j $(JOBS) -LE soak --output-on-failure --no-tests=error

test-tsan: build/tsan/build.ninja
	$(CMAKE) --build build/tsan -j $(JOBS)
	cd build/tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest -j $(JOBS) -L threads --output-on-failure

# The long runs (a reconnect storm of 30 s ...), under AddressSanitizer.
soak: build/asan/build.ninja
	$(CMAKE) --build build/asan -j $(JOBS)
	cd build/asan && ctest -L soak --output-on-failure --no-tests=error

TM_LIBRARIES := tm_platform tm_core tm_topology tm_tracking tm_telegrams tm_links tm_tm
test-thread-safety: build/clang-tsa/build.ninja
	$(CMAKE) --build build/clang-tsa -j $(JOBS) --target $(TM_LIBRARIES)

build/bench/build.ninja: | deps-bench
	$(CMAKE) -S . -B build/bench $(GEN) -DCMAKE_BUILD_TYPE=Release -DTM_TESTS=OFF -DTM_BENCH=ON

bench: build/bench/build.ninja
	$(CMAKE) --build build/bench -j $(JOBS)
	@./scripts/run-bench.sh build/bench

build/fuzz/build.ninja: | deps-fuzz
	CXX=clang++ $(CMAKE) -S . -B build/fuzz $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTM_FUZZ=ON

# Each fuzz target for a short, fixed time, starting from its seed corpus.
FUZZ_SECONDS ?= 30
fuzz: build/fuzz/build.ninja
	$(CMAKE) --build build/fuzz -j $(JOBS)
	@./scripts/run-fuzz.sh build/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build
