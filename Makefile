# The two entry points of the README; everything else is CMake.
.PHONY: run test build clean

run:
	@cmake/setup-deps.sh native
	@cmake -S . -B build/native >/dev/null
	@cmake --build build/native -j2
	@echo
	build/native/inkhound check --file-scan-flags 0x3F --logging-flags 0x1F samples/*

test:
	@cmake/run-tests.sh

build:
	@cmake/setup-deps.sh native
	@cmake -S . -B build/native >/dev/null
	@cmake --build build/native -j2

clean:
	rm -rf build
