# Vantrel: cross build on Linux, tests under Wine.
#   make run   - install what is missing, build, start the launcher under Wine
#                (switches in ARGS, e.g. make run ARGS=/m; under Xvfb when
#                there is no $DISPLAY, with a screenshot); with a skin:
#                make run SKIN='\Basalt' (the folder Skins\Basalt) or
#                SKIN=Basalt.zip (the archive), SKIN= for the classic look
#   make test  - install what is missing, build both architectures, run every test
#   make dist  - stage the program folders in dist/x64 and dist/x86, and pack
#                them as dist/mobral64W.exe and dist/mobralW.exe
#   make fuzz  - a long fuzzing run of every reader (INPUTS per reader,
#                SEED, READER=png for one reader)
SHELL := /bin/bash
ROOT := $(abspath .)
BUILD ?= $(ROOT)/build
JOBS ?= $(shell nproc)
export VANTREL_WINEPREFIX ?= $(BUILD)/wineprefix

.PHONY: all packages deps build build-x64 build-x86 test test-x64 check-x86 run dist fuzz clean

all: build

packages:
	@tools/install-packages.sh

# Prefixes of the cross-built dependencies (built once per version, cached).
deps: packages
	@tools/build-deps.sh x86_64 > $(BUILD)/.deps-x64 2>$(BUILD)/.deps-x64.log || { cat $(BUILD)/.deps-x64.log; exit 1; }
	@tools/build-deps.sh i686 > $(BUILD)/.deps-x86 2>$(BUILD)/.deps-x86.log || { cat $(BUILD)/.deps-x86.log; exit 1; }

$(BUILD):
	@mkdir -p $(BUILD)

deps: | $(BUILD)

define configure
	@cmake --no-warn-unused-cli -S . -B $(BUILD)/$(1) -G "Unix Makefiles" \
	  -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$(2).cmake \
	  -DVANTREL_DEPS=$$(cat $(BUILD)/.deps-$(1)) > /dev/null
endef

build-x64: deps
	$(call configure,x64,x86_64)
	@cmake --build $(BUILD)/x64 -j$(JOBS) -- --no-print-directory

build-x86: deps
	$(call configure,x86,i686)
	@cmake --build $(BUILD)/x86 -j$(JOBS) -- --no-print-directory

build: build-x64 build-x86

test-x64: build-x64
	@tools/run-tests.sh $(BUILD)/x64

check-x86: build-x86
	@tools/check-binaries.sh $(BUILD)/x86 x86

test: build test-x64 check-x86
	@tools/check-binaries.sh $(BUILD)/x64 x64

INPUTS ?= 200000
SEED ?= $(shell date +%s)
fuzz: build-x64
	@set -o pipefail; cd $(BUILD)/x64 && xvfb-run -a -s "-screen 0 1280x1024x24" $(ROOT)/tools/wine-run.sh ./fuzz.exe \
	  /inputs:$(INPUTS) /seed:$(SEED) /seconds:86400 $(if $(READER),/only:$(READER)) \
	  /corpus:Z:$(ROOT)/tests/fuzz/corpus /out:Z:$(BUILD)/x64/fuzz-found | tr -d '\r'

dist: build
	@tools/stage-dist.sh $(BUILD)/x64 $(ROOT)/dist/x64
	@tools/stage-dist.sh $(BUILD)/x86 $(ROOT)/dist/x86
	@tools/make-dist-packages.sh $(BUILD) $(ROOT)/dist

# SKIN only counts when given on the command line (an empty one too).
run: build-x64
	@$(if $(filter command line,$(origin SKIN)),VANTREL_SKIN='$(SKIN)') tools/run-launcher.sh $(BUILD)/x64 $(ARGS)

clean:
	rm -rf $(BUILD) dist
