#!/usr/bin/env bash
# Installs the Debian packages the build needs (as root; once is enough).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2046
apt-get install -y -qq --no-install-recommends $(grep -v '^#' "$here/packages.txt") >/dev/null
