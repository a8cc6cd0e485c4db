# The two set-up commands: `make run` and `make test`.
# Both install the Debian packages that are missing, configure and build first.

PACKAGES := cmake g++ make ninja-build pkg-config qt6-base-dev qt6-webengine-dev libgl-dev \
            fonts-dejavu-core libzbar-dev zbar-tools poppler-utils dpkg-dev file \
            desktop-file-utils appstream lintian devscripts debhelper systemd man-db git \
            qt6-charts-dev qt6-svg-dev libzxing-dev strace xvfb openbox xdotool
BUILD    ?= build
# The package is built in a folder of its own, without the tests.
PACKAGE_BUILD ?= $(BUILD)-package
SUDO     := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

# Debian's hardening flags, as its own packages are built with, unless the environment brings
# flags of its own; CMake takes them from the environment when it first configures a folder.
# The source folder is mapped away in the debug information only: the tests find their data
# through __FILE__.
WITH_FLAGS = export DEB_BUILD_MAINT_OPTIONS='hardening=+all reproducible=-fixfilepath'; \
  export CXXFLAGS="$${CXXFLAGS-$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)}" \
         LDFLAGS="$${LDFLAGS-$$(dpkg-buildflags --get LDFLAGS)}";
# Package files carry the time of the last commit, so that two builds give the same files.
COMMIT_TIME := $(shell git log -1 --format=%ct 2>/dev/null)
ifneq ($(COMMIT_TIME),)
export SOURCE_DATE_EPOCH ?= $(COMMIT_TIME)
endif

.PHONY: all deps configure build run test package package-compare format clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

configure: deps
	@[ -f $(BUILD)/build.ninja ] || { $(WITH_FLAGS) \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo; }

build: configure
	cmake --build $(BUILD)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "tallyvane needs a graphical display: neither DISPLAY nor WAYLAND_DISPLAY is set."; exit 1; fi
	./$(BUILD)/tallyvane

test: build
	cd $(BUILD) && ctest --output-on-failure --timeout 600 --parallel 2

# The Debian packages tallyvane-cli, tallyvane and their -dbgsym in $(PACKAGE_BUILD), checked
# unpacked (with hardening-check) and by lintian: an error or a warning fails.
package: deps
	@[ -f $(PACKAGE_BUILD)/build.ninja ] || { $(WITH_FLAGS) \
	  cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF; }
	rm -f $(PACKAGE_BUILD)/*.deb
	cmake --build $(PACKAGE_BUILD) --target package
	cmake -DDEB_DIR=$(PACKAGE_BUILD) -DROOT=$(PACKAGE_BUILD)/package-check \
	      -P tests/dist/checkinstall.cmake
	lintian --fail-on error,warning $(PACKAGE_BUILD)/*.deb

# The same packages built from debian/ by dpkg-buildpackage install the same files. A second
# full build: asked for, not part of `make test`.
package-compare: package
	tests/dist/samefiles.sh . $(PACKAGE_BUILD) $(PACKAGE_BUILD)/debian-build

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(PACKAGE_BUILD)
