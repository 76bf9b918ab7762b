#!/usr/bin/env bash
# screenshot.sh: refreshes docs/orvane.png, the README's picture of Orvane
# after a lookup on the demo network, taken headless as run-demo.sh does.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exec "$here/run-demo.sh" --screenshot "$here/../docs/orvane.png"
