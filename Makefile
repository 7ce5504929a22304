# The two entry points of the README; everything else is CMake.
.PHONY: run test build clean

run:
	@cmake/setup-deps.sh native
	@cmake -S . -B build/native >/dev/null
	@cmake --build build/native -j2
	@echo
	@# Exit status 1 means the scan found something, which the samples are there to show.
	build/native/inkhound scan --file-scan-flags 0x3F --logging-flags 0x1F samples || [ $$? = 1 ]

test:
	@cmake/run-tests.sh

build:
	@cmake/setup-deps.sh native
	@cmake -S . -B build/native >/dev/null
	@cmake --build build/native -j2

clean:
	rm -rf build
