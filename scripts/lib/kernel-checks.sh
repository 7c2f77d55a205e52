# The checks that scripts/kernel-test runs in its guest (busybox sh, as root, no udevd): one line
# "PASS <check>" or "FAIL <check>: <why>" each. APPLICATION_SHA and RADIO_SHA are the SHA-256 of
# the images as the simulator's mouse receives them.

# The tool's waits, scaled so that the countdowns of a failed update stay short; the library's
# log goes nowhere, as writing it costs much under emulation.
export DEVIO_TIME_SCALE=0.1 DEVIO_DEBUG_OUTPUT=file:/dev/null

pass() { echo "PASS $1"; }
fail() { echo "FAIL $1: $2"; }

# Waits up to $2 seconds for the file $1 to hold the line $3.
wait_line() {
    i=0
    while [ $i -lt $(($2 * 10)) ]; do
        grep -q "^$3\$" "$1" 2>/dev/null && return 0
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}

# Starts devio-uhid-sim with its report at $1; SIM is its process.
start_sim() {
    : >/tmp/sim.out
    devio-uhid-sim --report="$1" </dev/null >/tmp/sim.out 2>&1 &
    SIM=$!
    wait_line /tmp/sim.out 10 plugged
}

# Sends signal $1 to the simulator and waits for its confirmation $2 (the count of such lines
# must grow to $3).
sim_signal() {
    kill -"$1" "$SIM"
    i=0
    while [ $i -lt 100 ]; do
        [ "$(grep -c "^$2\$" /tmp/sim.out)" -ge "$3" ] && return 0
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}

stop_sim() {
    kill -TERM "$SIM"
    wait "$SIM"
}

flat() { tr -d ' \n' <"$1"; } # the report as one line without blanks

json_value() { # file key: the first "key":"value" string of the file
    flat "$1" | grep -o "\"$2\":\"[^\"]*\"" | head -n 1 | sed 's/.*:"\(.*\)"/\1/'
}

# 1. The hidraw system's own checks.
hidraw_kernel_check

# 2. The probe without --simulate finds the receiver and the paired mouse.
if start_sim /tmp/first.json; then
    pass "devio-uhid-sim plugs the receiver"
else
    fail "devio-uhid-sim plugs the receiver" "$(cat /tmp/sim.out)"
fi
devio-probe >/tmp/probe.txt 2>&1
if grep -q '^Receiver 0xB401' /tmp/probe.txt && grep -q 'slot 0: 0x40A1 .*connected' /tmp/probe.txt &&
    grep -q 'feature 0x00C2' /tmp/probe.txt && grep -q 'entity 0: type 0 "QRT" 8.6.27' /tmp/probe.txt; then
    pass "devio-probe lists the receiver and the mouse with features and firmware"
else
    fail "devio-probe lists the receiver and the mouse with features and firmware" "$(head -c 600 /tmp/probe.txt)"
fi

# 3 and 4: whole updates, minutes each under emulation: with --full only.
if [ -n "$FULL" ]; then
# 3. The update through the kernel's HID stack.
timeout 240 vantor-dfu --unattended --ui=headless </dev/null >/tmp/dfu1.out 2>&1
status=$?
if [ $status -eq 0 ] && grep -q '^status You have successfully updated the firmware' /tmp/dfu1.out; then
    pass "vantor-dfu updates the mouse"
else
    fail "vantor-dfu updates the mouse" "exit $status, $(grep -E '^(status|end)' /tmp/dfu1.out | tail -n 3)"
fi

# 4. A second run finds it up to date.
timeout 240 vantor-dfu --unattended --ui=headless </dev/null >/tmp/dfu2.out 2>&1
status=$?
if [ $status -eq 2 ]; then
    pass "a second run exits 2 (up to date)"
else
    fail "a second run exits 2 (up to date)" "exit $status"
fi
stop_sim
application=$(flat /tmp/first.json | grep -o '"application":{[^}]*}')
radio=$(flat /tmp/first.json | grep -o '"radio_stack":{[^}]*}')
if [ -n "$APPLICATION_SHA" ] && echo "$application" | grep -q "\"sha256\":\"$APPLICATION_SHA\"" &&
    echo "$radio" | grep -q "\"sha256\":\"$RADIO_SHA\""; then
    pass "the mouse received both images byte-exactly"
else
    fail "the mouse received both images byte-exactly" "$application $radio"
fi
sector=$(flat /tmp/first.json | grep -o '"profile_sector_1":{[^}]*}')
if [ -n "$sector" ] && [ "$(json_value /tmp/first.json at_start)" != "$(json_value /tmp/first.json at_end)" ]; then
    pass "profile sector 1 was repaired"
else
    fail "profile sector 1 was repaired" "$sector"
fi

# 4. The receiver unplugged during the transfer: no success; a later run completes the update.
start_sim /tmp/second.json
timeout 240 vantor-dfu --unattended --ui=headless </dev/null >/tmp/dfu3.out 2>&1 &
dfu=$!
i=0
while [ $i -lt 600 ] && [ "$(grep -c '^progress' /tmp/dfu3.out)" -lt 20 ]; do
    sleep 0.1
    i=$((i + 1))
done
sim_signal USR1 unplugged 1
wait $dfu
status=$?
if [ $status -ne 0 ] && ! grep -q '^status You have successfully updated' /tmp/dfu3.out; then
    pass "an unplug during the transfer ends without success"
else
    fail "an unplug during the transfer ends without success" "exit $status"
fi
sim_signal USR2 plugged 2
timeout 240 vantor-dfu --unattended --ui=headless </dev/null >/tmp/dfu4.out 2>&1
status=$?
if [ $status -eq 0 ] && grep -q '^status You have successfully updated the firmware' /tmp/dfu4.out; then
    pass "a later run completes the update"
else
    fail "a later run completes the update" "exit $status, $(grep -E '^(status|end)' /tmp/dfu4.out | tail -n 3)"
fi

else
    for check in "vantor-dfu updates the mouse" "a second run exits 2 (up to date)" \
        "the mouse received both images byte-exactly" "profile sector 1 was repaired" \
        "an unplug during the transfer ends without success" "a later run completes the update"; do
        echo "NOT RUN $check: whole updates run with scripts/kernel-test --full"
    done
fi

# 5. The udev rules: every rule names the hidraw subsystem and the uaccess tag, and the rules'
# device names match the HID devices of the simulated receiver.
rules=/etc/udev/rules.d/70-varkon.rules
bad=$(grep -v '^#' $rules | grep . | grep -v 'SUBSYSTEM=="hidraw"' )
bad=$bad$(grep -v '^#' $rules | grep . | grep -v 'TAG+="uaccess"')
matched=0
nodes=0
for node in /sys/class/hidraw/hidraw*; do
    [ -e "$node" ] || continue
    nodes=$((nodes + 1))
    name=$(basename "$(readlink -f "$node/device")")
    for pattern in $(grep -o 'KERNELS=="[^"]*"' $rules | sed 's/KERNELS=="\(.*\)"/\1/'); do
        case $name in
        $pattern) matched=$((matched + 1)); break ;;
        esac
    done
done
if [ -z "$bad" ] && [ $nodes -eq 2 ] && [ $matched -eq 2 ]; then
    pass "the udev rules match the receiver's hidraw nodes"
else
    fail "the udev rules match the receiver's hidraw nodes" "$nodes nodes, $matched matched, $bad"
fi
stop_sim
