# The two set-up commands: `make run` and `make test`.
# Both install the Debian packages that are missing, configure and build first.

PACKAGES := cmake g++ make ninja-build pkg-config qt6-base-dev qt6-webengine-dev libgl-dev \
            fonts-dejavu-core libzbar-dev zbar-tools poppler-utils dpkg-dev file \
            desktop-file-utils appstream
BUILD    ?= build
SUDO     := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: all deps configure build run test package format clean

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
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "tallyvane needs a graphical display: neither DISPLAY nor WAYLAND_DISPLAY is set."; exit 1; fi
	./$(BUILD)/tallyvane

test: build
	cd $(BUILD) && ctest --output-on-failure --timeout 600 --parallel 2

# The Debian package tallyvane_VERSION_ARCH.deb in $(BUILD), then checked unpacked.
package: configure
	cmake --build $(BUILD) --target package
	cmake -DDEB="$$(ls -t $(BUILD)/tallyvane_*.deb | head -n 1)" -DROOT=$(BUILD)/package-check \
	      -P tests/dist/checkinstall.cmake

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
