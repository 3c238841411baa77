#!/usr/bin/env bash
# Runs the updater end to end against a local version API and package host.
# The silent update is not built yet; this command gets its body with it.
echo "run: the silent update is not built yet; see README.md" >&2
exit 1
