#!/bin/bash
# A preparation of wine-run.sh (--prepare): the test's prefix shows Wine's
# visual styles, as users see the setup.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
velmo_use_visual_styles "$VELMO_PREFIX"
