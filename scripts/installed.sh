#!/usr/bin/env bash
# Succeeds when the Debian package kiru is installed on this machine, fails when it is not (or was
# removed and only its configuration is left).
# Usage: scripts/installed.sh
dpkg-query -W -f='${db:Status-Status}' kiru 2>/dev/null | grep -qx installed
