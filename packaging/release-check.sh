#!/usr/bin/env bash
# Stops a release whose tag is not v<the project's version>, the version
# that project() in CMakeLists.txt gives the program, its ZIP and manifests:
#
#   bash packaging/release-check.sh TAG
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

TAG=${1:?usage: $0 TAG}
version=$(project_version)
[ -n "$version" ] || {
    echo "$0: no VERSION in project() of CMakeLists.txt" >&2
    exit 1
}
if [ "$TAG" != "v$version" ]; then
    echo "$0: the tag $TAG does not match the project's version $version in CMakeLists.txt;" \
        "tag v$version, or change project(... VERSION) first" >&2
    exit 1
fi
log "tag $TAG is the project's version $version"
