# The two entry points of the README; everything else is CMake.
.PHONY: run test build package clean

run:
	@cmake/setup-deps.sh native
	@cmake -S . -B build/native >/dev/null
	@cmake --build build/native -j2
	@echo
	@# Exit status 1 means the scan found something, which the samples are there to show; 3
	@# that something could not be read as well, as their link whose target is gone.
	build/native/inkhound scan --file-scan-flags 0x3F --logging-flags 0x1F samples || \
		case $$? in 1 | 3) ;; *) exit 1 ;; esac

test:
	@cmake/run-tests.sh

build:
	@cmake/setup-deps.sh native
	@cmake -S . -B build/native >/dev/null
	@cmake --build build/native -j2

# The Debian package of the tool, its manual page and its completion, beside the build.
package: build
	@cd build/native && cpack -G DEB

clean:
	rm -rf build
