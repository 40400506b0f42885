#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Abgleich authors
# SPDX-License-Identifier: Apache-2.0
# Installs what is needed, builds the tool and the bench simulator, starts the simulator on
# 127.0.0.1:1209 and the tool in the demo working directory build/demo, whose settings point
# the bench address at the simulator. Press F1 (or "Abgleichwerte von SPS abfragen") to read
# the simulated bench. Closing the tool stops the simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh --target abgleich --target bench-sim
demo=build/demo
mkdir -p "$demo/config"
if [ ! -f "$demo/config/Abgleich.ini" ]; then
    printf '[FoAbgleich]\r\nED_IP_Text=127.0.0.1\r\n\r\n' > "$demo/config/Abgleich.ini"
fi
build/tools/bench-sim --address 127.0.0.1 --port 1209 > "$demo/bench-sim.log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT INT TERM
sleep 0.3
if ! kill -0 "$sim" 2>/dev/null; then
    echo "The bench simulator did not start:" >&2
    cat "$demo/bench-sim.log" >&2
    exit 1
fi
echo "Bench simulator running (log: $demo/bench-sim.log)"
cd "$demo"
../src/abgleich
