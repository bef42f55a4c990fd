#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
# Starts the window. Without a display to show it on, says so in one line
# instead of letting Qt print its stack of platform warnings.
set -euo pipefail
program="${1:-build/quibex-crypto}"

no_display() {
  echo "quibex-crypto : aucun affichage graphique disponible ($1) ; lancez « make run » depuis une session graphique, ou « make screenshot » pour une capture." >&2
  exit 1
}

if [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec "$program"
fi
if [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program"
fi
if [ -z "${DISPLAY:-}" ]; then
  no_display "ni DISPLAY ni WAYLAND_DISPLAY"
fi
if command -v xdpyinfo >/dev/null 2>&1 && ! xdpyinfo >/dev/null 2>&1; then
  no_display "l'affichage $DISPLAY ne répond pas"
fi
exec "$program"
