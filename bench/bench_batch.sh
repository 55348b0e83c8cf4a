#!/bin/sh
# Forward conversion of one million points, file to file: quillmar-batch
# against PROJ's cs2cs on the same points and the same Transverse Mercator
# (Airy 1830 / National Grid parameters). Prints both rates and the ratio.
# A quick check of one build; bench/run measures everything.
#
# usage: bench/bench_batch.sh [path/to/quillmar-batch] [points]
set -eu

BATCH=${1:-$(dirname "$0")/../build/tools/quillmar-batch}
N=${2:-1000000}
command -v cs2cs >/dev/null 2>&1 || { echo "cs2cs not found (package proj-bin)" >&2; exit 2; }
[ -x "$BATCH" ] || { echo "$BATCH not found; build the quillmar-batch target" >&2; exit 2; }

DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT INT TERM

A=6377563.396
E2=0.00667054
K0=0.9996012717
FE=400000
FN=-100000

# The same points twice: as the geog2grid fields (deg,min,sec,N/S,...) and as
# decimal degrees "lon lat" for cs2cs, generated together from one seed.
awk -v n="$N" -v dms="$DIR/points.csv" -v dec="$DIR/points.txt" 'BEGIN {
    srand(20240611)
    for (i = 0; i < n; i++) {
        lat = 49.9 + rand() * 8.8          # 49.9 .. 58.7 N
        lon = -7.5 + rand() * 9.2          # 7.5 W .. 1.7 E
        alat = lat; alon = (lon < 0 ? -lon : lon)
        # Rounded to the millisecond before the split: no seconds read 60.000.
        t = sprintf("%.3f", alat * 3600) + 0
        ld = int(t / 3600); r = t - ld * 3600; lm = int(r / 60); ls = sprintf("%.3f", r - lm * 60)
        t = sprintf("%.3f", alon * 3600) + 0
        gd = int(t / 3600); r = t - gd * 3600; gm = int(r / 60); gs = sprintf("%.3f", r - gm * 60)
        printf "%d,%d,%s,N,%d,%d,%s,%s\n", ld, lm, ls, gd, gm, gs, (lon < 0 ? "W" : "E") > dms
        # Decimal degrees of exactly the rounded seconds above.
        dlat = ld + lm / 60 + ls / 3600
        dlon = gd + gm / 60 + gs / 3600
        if (lon < 0) dlon = -dlon
        printf "%.10f %.10f\n", dlon, dlat > dec
    }
}'

now() { date +%s.%N; }

t0=$(now)
"$BATCH" geog2grid --params "$A,$E2,$K0,$FE,$FN,49 N,2 W" "$DIR/points.csv" > "$DIR/quillmar.out" 2>/dev/null
t1=$(now)
cs2cs -f %.3f +proj=longlat +a=$A +es=$E2 +no_defs +to \
      +proj=tmerc +lat_0=49 +lon_0=-2 +k_0=$K0 +x_0=$FE +y_0=$FN +a=$A +es=$E2 +units=m +no_defs \
      < "$DIR/points.txt" > "$DIR/cs2cs.out"
t2=$(now)

lines_q=$(wc -l < "$DIR/quillmar.out")
lines_p=$(wc -l < "$DIR/cs2cs.out")
awk -v n="$N" -v q0="$t0" -v q1="$t1" -v p1="$t2" -v lq="$lines_q" -v lp="$lines_p" 'BEGIN {
    tq = q1 - q0; tp = p1 - q1
    rq = n / tq; rp = n / tp
    printf "points:          %d (%d and %d lines written)\n", n, lq, lp
    printf "quillmar-batch:  %.3f s  %.0f points/s\n", tq, rq
    printf "cs2cs:           %.3f s  %.0f points/s\n", tp, rp
    printf "ratio:           %.2f\n", rq / rp
}'
# The two projections are different series; show how far apart they are.
paste -d' ' "$DIR/quillmar.out" "$DIR/cs2cs.out" | awk -F'[ ,\t]+' '{
    de = $9 - $11; dn = $10 - $12; if (de < 0) de = -de; if (dn < 0) dn = -dn
    if (de > m) m = de; if (dn > m) m = dn
} END { printf "largest difference from cs2cs: %.3f m\n", m }'
