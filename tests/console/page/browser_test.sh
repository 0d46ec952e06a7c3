#!/usr/bin/env bash
# The batch page in headless Chromium: it loads with nothing on the console,
# shows a row per tune and a picture per converted tune, opens the picture a
# link names, and sorts by a column. Skipped (77) where chromium is not
# installed; tools/setup.sh installs it with the test tier.
# Usage: browser_test.sh BATCH_PAGE_SAMPLE   (run in a scratch folder)
set -uo pipefail

sample=$1
if ! command -v chromium >/dev/null 2>&1; then
  echo "SKIPPED: chromium is not installed (Debian package chromium, in tools/setup.sh's test tier)"
  exit 77
fi

fail() {
  echo "FAILED: $*"
  exit 1
}

# As root Chromium runs only without its sandbox; the page loads nothing, so
# nothing is lost. The profile folder is this test's own.
browse() {
  chromium --headless --no-sandbox --disable-gpu --user-data-dir="$PWD/profile" \
    --enable-logging=stderr --v=0 "$@"
}

# Whatever the page says on the console, an uncaught error above all.
console_lines() {
  grep -E ':CONSOLE|Uncaught' "$1"
}

tunes=40
counts=$("$sample" page.html "$tunes") || fail "the sample page was not written"
[ "$counts" = "rows $tunes pictures $((tunes - 2))" ] || fail "the sample says: $counts"

# The link's target opens: the page's script ran to its end.
browse --dump-dom "file://$PWD/page.html#t5" >dom.html 2>console.log || fail "chromium failed: $(tail -n3 console.log)"
if console_lines console.log; then fail "the page wrote to the console"; fi
rows=$(tr -d '\n' <dom.html | sed 's#.*<tbody>##; s#</tbody>.*##' | grep -o '<tr' | wc -l)
pictures=$(grep -o '<svg class="pic"' dom.html | wc -l)
[ "$rows" = "$tunes" ] || fail "$rows table rows for $tunes tunes"
[ "$pictures" = "$((tunes - 2))" ] || fail "$pictures pictures for $((tunes - 2)) converted tunes"
grep -q '<details class="card" id="t5" open=""' dom.html || fail "the picture the link names did not open"

# Two clicks on the Voices head: most voices first, the failed tunes last.
sed 's#</body>#<script>var h=document.querySelectorAll("\#tunes th")[5];h.click();h.click();document.body.dataset.order=[].map.call(document.querySelectorAll("\#tunes tbody tr"),function(r){return r.className=="failed"?"F":r.cells[5].textContent}).join(" ")</script></body>#' \
  page.html >sorted.html
browse --dump-dom "file://$PWD/sorted.html" >sorted-dom.html 2>sorted-console.log || fail "chromium failed on the sorted page"
if console_lines sorted-console.log; then fail "the sorted page wrote to the console"; fi
order=$(grep -o 'data-order="[^"]*"' sorted-dom.html | sed 's/data-order="//; s/"$//')
[ "$(echo "$order" | tr ' ' '\n' | tail -n2 | tr '\n' ' ')" = "F F " ] || fail "failed tunes not last: $order"
echo "$order" | tr ' ' '\n' | grep -v F | sort -n -r -c || fail "not sorted by voices, most first: $order"

browse --window-size=1280,1000 --screenshot="$PWD/page.png" "file://$PWD/page.html" 2>/dev/null >/dev/null ||
  fail "no screenshot"
[ -s page.png ] || fail "the screenshot is empty"
echo "batch page: $rows rows, $pictures pictures, sorted by voices; screenshot in $PWD/page.png"
