# The two everyday commands: `make run` builds and starts the program,
# `make test` builds and runs every test. Both install what they need first.
.PHONY: run test deps fuzz clean screenshot screenshots

JOBS ?= $(shell nproc)
# CI sets CI=true; warnings are errors there.
WERROR := $(if $(CI),ON,OFF)

RUN_DIR := build/run
TEST_DIR := build/test
FUZZ_DIR := build/fuzz

deps:
	@tools/install-deps.sh

run: deps
	cmake -S . -B $(RUN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVEX_TESTS=OFF
	cmake --build $(RUN_DIR) -j $(JOBS)
	$(RUN_DIR)/src/app/kalvex-tagger

# Tests run on a sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer).
test: deps
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DKALVEX_SANITIZE=ON -DKALVEX_WERROR=$(WERROR)
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS)

# Real fuzzing with libFuzzer: make fuzz TARGET=query_reply SECONDS=300
fuzz: deps
	tools/fuzz.sh $(TARGET) $(SECONDS)

# Renews the pictures in docs/ (docs/main-window.png and one of each page and
# of the match dialog) from the demo's road, clicked through on a virtual X server.
screenshots: deps
	cmake -S . -B $(RUN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVEX_TESTS=OFF
	cmake --build $(RUN_DIR) -j $(JOBS) --target kalvex-tagger kalvex-cli kalvex-virtual-aspi
	/usr/bin/python3 tests/app/window_road_test.py --build $(RUN_DIR) --out $(RUN_DIR)/pictures
	cp $(RUN_DIR)/pictures/*.png docs/
screenshot: screenshots

# Tag reading against TagLib: files per second and system calls per file.
.PHONY: bench
bench: deps
	bench/id3_bench.sh

clean:
	rm -rf build

# Tag writing against TagLib (in place) and cp (grown tag, 500 MB), peak memory.
.PHONY: bench-write
bench-write: deps
	bench/id3_write_bench.sh

# A lookup's two requests over one connection against one connection each.
.PHONY: bench-lookup
bench-lookup: deps
	bench/lookup_bench.sh

# The full crash tests: 200 SIGKILLs during grown-tag writes of a 128 MB file
# (CI runs a 40-kill variant on 32 MB), as many on an XFS loop image where the
# write shares the audio's blocks (as root), and 300 of tag-album --rename over a
# 12-file album (CI: 100), and tag-library over 100 albums with 20 kills (CI: 8 albums,
# 6 kills).
.PHONY: crash-test
crash-test: deps
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DKALVEX_SANITIZE=ON -DKALVEX_WERROR=$(WERROR)
	cmake --build $(TEST_DIR) --target kalvex-cli -j $(JOBS)
	/usr/bin/python3 tests/id3/crash_test.py $(TEST_DIR)/src/cli/kalvex-cli --size-mb 128 --kills 200 --work $(TEST_DIR)
	/usr/bin/python3 tools/loop_fs.py xfs $(TEST_DIR) --size-mb 600 -- /usr/bin/python3 \
	    tests/id3/crash_test.py $(TEST_DIR)/src/cli/kalvex-cli --size-mb 128 --kills 200 --work {} \
	    || [ $$? -eq 77 ]
	/usr/bin/python3 tests/cli/tag_album_crash_test.py $(TEST_DIR)/src/cli/kalvex-cli --kills 300 --work $(TEST_DIR)
	/usr/bin/python3 tests/cli/tag_library_test.py $(TEST_DIR)/src/cli/kalvex-cli --albums 100 --kills 20

# The whole road without a CD drive or the internet: a folder of fresh MP3s,
# the virtual drive holding their disc and a CDDB server that knows it twice.
.PHONY: demo
demo: deps
	cmake -S . -B $(RUN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVEX_TESTS=OFF
	cmake --build $(RUN_DIR) -j $(JOBS) --target kalvex-tagger kalvex-cli kalvex-virtual-aspi
	tools/demo.sh --build $(RUN_DIR)

# The Debian package, build/package/kalvex-tagger_<version>_<arch>.deb.
PACKAGE_DIR := build/package
.PHONY: package
package: deps
	cmake -S . -B $(PACKAGE_DIR) -DCMAKE_BUILD_TYPE=Release -DKALVEX_TESTS=OFF \
	    -DCMAKE_INSTALL_PREFIX=/usr -DKALVEX_SETTINGS_BESIDE_PROGRAM=OFF \
	    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
	cmake --build $(PACKAGE_DIR) -j $(JOBS) \
	    --target kalvex-tagger kalvex-cli kalvex-virtual-aspi kalvex-manpage
	cd $(PACKAGE_DIR) && cpack -G DEB
	@ls $(PACKAGE_DIR)/kalvex-tagger_*.deb

# The package installed with apt into a fresh Debian 12 root (needs root).
.PHONY: package-test
package-test: package
	tools/package_test.sh $(PACKAGE_DIR)

# The track list refresh of 2,000 files against reading their tags.
.PHONY: bench-tracks
bench-tracks: deps
	bench/track_list_bench.sh

# tag-album --rename over 99 files against kid3-cli doing the same job.
.PHONY: bench-tag-album
bench-tag-album: deps
	bench/tag_album_bench.sh

# A lookup over both services with one answering late, against the same two
# lookups one after the other.
.PHONY: bench-sources
bench-sources: deps
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DKALVEX_BENCH=ON -DKALVEX_TESTS=OFF
	cmake --build build/bench --target sources_bench -j $(JOBS)
	build/bench/bench/sources_bench

# The album from its files: the table of contents of 20 files against reading
# their tags; tag-library over 100 albums against a tag-album run for each.
.PHONY: bench-library
bench-library: deps
	bash -c 'source bench/bench_lib.sh && /usr/bin/python3 bench/library_bench.py "$$(bench_cli)"'

# A 300 KB cover embedded into 1,000 files of 8 MB against mid3v2 and mutagen:
# make bench-cover FOLDER=/mnt/xfs to measure on another file system.
.PHONY: bench-cover
bench-cover: deps
	bench/cover_bench.sh 1000 $(FOLDER)
