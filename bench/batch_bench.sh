#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Throughput and memory of quiravel-batch against one quiravel-frame process
# per device, on generated copies of the flow-meter sample.
#
#   bench/batch_bench.sh [BUILD_DIR]        (default: build-release, else build)
#
# Each batch run is followed by a bare engine loop on the print files it
# wrote (quiravel_engine_loop_bench), and the batch's rate of good devices is
# given as a share of the loop's.
#
# Environment: SIZES (default "100 1000"), JOBS (default: the number of
# cores), FRAME_DEVICES (devices run one process each, default 20),
# KEEP=1 keeps the work folder.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-}
if [[ -z $build ]]; then
    build=$here/build-release
    [[ -x $build/tools/batch/quiravel-batch ]] || build=$here/build
fi
batch=$build/tools/batch/quiravel-batch
frame=$build/tools/app/quiravel-frame
regsvr=$build/tools/regsvr/quiravel-regsvr
library=$build/lib/libQuiravel.so
engineLoop=$build/bench/quiravel_engine_loop_bench
for tool in "$batch" "$frame" "$regsvr" "$library" "$engineLoop"; do
    [[ -e $tool ]] || { echo "batch_bench: $tool is missing; build first" >&2; exit 2; }
done
sizes=${SIZES:-"100 1000"}
jobs=${JOBS:-$(nproc)}
frameDevices=${FRAME_DEVICES:-20}

work=$(mktemp -d /tmp/quiravel-batch-bench.XXXXXX)
[[ ${KEEP:-0} == 1 ]] || trap 'rm -rf "$work"' EXIT
export QUIRAVEL_REGISTRY=$work/registry.reg LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_CHROMIUM_FLAGS=${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu}
"$regsvr" "$library" >/dev/null

sample=$here/samples/flowmeter

# N devices in PLANT/unit-NNNN/, each with its own serial number, tag, flow
# and hours; one in fifty is broken (a malformed description or data file).
generate() {
    local plant=$1 count=$2 i unit
    for ((i = 1; i <= count; ++i)); do
        unit=$plant/$(printf 'unit-%04d' "$i")
        mkdir -p "$unit"
        cp "$sample"/* "$unit"/
        sed -i -e "s/^SERIAL_NUMBER = .*/SERIAL_NUMBER = SN-$i/" \
            -e "s/^TAG_DESCRIPTOR = .*/TAG_DESCRIPTOR = FT-$i line $((i % 17))/" \
            -e "s/^PV_FLOW_RATE = .*/PV_FLOW_RATE = $((i % 60)).$((i % 10))/" \
            -e "s/^OPERATING_HOURS = .*/OPERATING_HOURS = $((1000 + i * 7))/" "$unit/FlowMeter.data"
        case $((i % 100)) in
        25) echo "not a description" >"$unit/FlowMeter.kqd" ;;
        75) echo "not a data file" >>"$unit/FlowMeter.data" && sed -i '1i stray text' "$unit/FlowMeter.data" ;;
        esac
    done
}

# Runs a command in its own session and samples the memory of every process
# of it (the browser engine's helpers included) until it ends; prints
# "SECONDS PEAK_PSS_MB PEAK_MAIN_RSS_MB EXIT".
measure() {
    local start end pid sid peakPss=0 peakRss=0 pss rss status
    start=$(date +%s.%N)
    setsid "$@" >"$work/out.txt" 2>"$work/err.txt" &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        pss=0
        for p in $(ps -o pid= -s "$pid" 2>/dev/null); do
            pss=$((pss + $(awk '/^Pss:/ {print $2}' "/proc/$p/smaps_rollup" 2>/dev/null || echo 0)))
        done
        rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
        ((pss > peakPss)) && peakPss=$pss
        ((rss > peakRss)) && peakRss=$rss
        sleep 0.2
    done
    status=0
    wait "$pid" || status=$?
    end=$(date +%s.%N)
    echo "$(echo "$end - $start" | bc -l) $((peakPss / 1024)) $((peakRss / 1024)) $status"
}

echo "batch_bench: $(nproc) cores, jobs $jobs, build $build"
echo "batch_bench: load before: $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A batchPeak batchRate batchSeconds loopRate
for count in $sizes; do
    plant=$work/plant-$count
    generate "$plant" "$count"
    read -r seconds pss rss status < <(measure "$batch" --jobs "$jobs" --pdf "$work/pdf-$count" \
        --summary "$work/summary-$count.csv" "$plant")
    ok=$(grep -c ',ok,' "$work/summary-$count.csv" || true)
    failed=$(grep -c ',failed,' "$work/summary-$count.csv" || true)
    pdfs=$(find "$work/pdf-$count" -name '*.pdf' | wc -l)
    rate=$(echo "$count / $seconds" | bc -l)
    batchPeak[$count]=$pss
    batchRate[$count]=$rate
    batchSeconds[$count]=$seconds
    printf 'batch  N=%-5d %4d ok %3d failed %4d PDFs  %7.1f s  %6.1f devices/s  %6.3f s/device  peak %d MB (all processes, PSS), main %d MB (RSS), exit %d\n' \
        "$count" "$ok" "$failed" "$pdfs" "$seconds" "$rate" "$(echo "$seconds / $count" | bc -l)" "$pss" "$rss" "$status"
    grep -q "SN-1$" <(pdftotext "$work/pdf-$count/unit-0001/FlowMeter.pdf" - 2>/dev/null) ||
        echo "batch_bench: the first PDF lacks its serial number" >&2

    # The engine's own work for the same devices (the print files the batch
    # just wrote): raw template, print file, A4 PDF, as many pages in flight.
    read -r seconds pss rss status < <(measure "$engineLoop" --jobs "$jobs" --out "$work/loop-$count" "$plant")
    loopPages=$(find "$work/loop-$count" -name '*.pdf' | wc -l)
    loopRate[$count]=$(echo "$loopPages / $seconds" | bc -l)
    printf 'engine N=%-5d %4d PDFs, bare engine loop  %7.1f s  %6.1f devices/s  batch/engine %.2f (ok devices/s against PDFs/s)  peak %d MB (all processes, PSS), exit %d\n' \
        "$count" "$loopPages" "$seconds" "${loopRate[$count]}" \
        "$(echo "($ok / ${batchSeconds[$count]}) / ${loopRate[$count]}" | bc -l)" "$pss" "$status"
done

# The same devices, one frame process each: one after the other, and as
# many at once as the batch runs.
plant=$work/plant-$(echo "$sizes" | awk '{print $1}')
mapfile -t subset < <(find "$plant" -name FlowMeter.kqd | sort | head -n "$frameDevices")
printf '%s\n' "${subset[@]}" >"$work/subset.txt"
declare -A frameRate
for parallel in 1 "$jobs"; do
    [[ -n ${frameRate[$parallel]:-} ]] && continue
    find "$plant" -name frame.pdf -delete
    read -r seconds pss rss status < <(measure xargs -a "$work/subset.txt" -P "$parallel" -I{} sh -c \
        '"$0" --headless --pdf "$(dirname "$1")/frame.pdf" "$1" >/dev/null 2>&1 || true' "$frame" {})
    framePdfs=$(find "$plant" -name frame.pdf | wc -l)
    frameRate[$parallel]=$(echo "${#subset[@]} / $seconds" | bc -l)
    printf 'frame  N=%-5d %4d PDFs, one process per device, %d at once  %7.1f s  %6.1f devices/s  %6.3f s/device  peak %d MB (all processes, PSS)\n' \
        "${#subset[@]}" "$framePdfs" "$parallel" "$seconds" "${frameRate[$parallel]}" \
        "$(echo "$seconds / ${#subset[@]}" | bc -l)" "$pss"
done
echo "batch_bench: load after: $(cut -d' ' -f1-3 /proc/loadavg)"

first=$(echo "$sizes" | awk '{print $1}')
last=$(echo "$sizes" | awk '{print $NF}')
printf 'summary: batch_devices_per_s=%.1f frame_devices_per_s=%.2f speedup=%.1f frame_parallel_devices_per_s=%.2f speedup_parallel=%.1f peak_mb_%s=%d peak_mb_%s=%d memory_ratio=%.2f\n' \
    "${batchRate[$last]}" "${frameRate[1]}" "$(echo "${batchRate[$last]} / ${frameRate[1]}" | bc -l)" \
    "${frameRate[$jobs]}" "$(echo "${batchRate[$last]} / ${frameRate[$jobs]}" | bc -l)" \
    "$first" "${batchPeak[$first]}" "$last" "${batchPeak[$last]}" \
    "$(echo "${batchPeak[$last]} / ${batchPeak[$first]}" | bc -l)"
