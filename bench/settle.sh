# Sourced by the benches.
#
# settle: waits until nothing more is written to any disk for two seconds (at most two
# minutes). After rm -rf of a large tree ext4 goes on freeing in the background for many
# seconds, and a command timed then pays for it: seen as a threefold spread of the same
# restore. So every command starts on a quiet disk.
settle() {
  sync
  local before now quiet=0 waited=0
  before=$(awk '{ s += $10 } END { print s }' /proc/diskstats)
  while [ $quiet -lt 4 ] && [ $waited -lt 240 ]; do
    sleep 0.5
    now=$(awk '{ s += $10 } END { print s }' /proc/diskstats)
    if [ "$now" = "$before" ]; then quiet=$((quiet + 1)); else quiet=0; fi
    before=$now
    waited=$((waited + 1))
  done
}
