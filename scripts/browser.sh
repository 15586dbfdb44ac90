# Sourced by the scripts that look at this project's pages in a real browser: Debian's
# chromium, headless, with a profile of its own that is removed afterwards, and no way out
# but to this machine (names other than localhost and 127.0.0.1 do not resolve, nothing runs in the
# background).
#   browser_screenshot URL OUT.png [WIDTHxHEIGHT]   the page as a person sees it
#   browser_text URL                                 the text the page shows, as laid out
#   browser_dom URL                                  the page's document once it has loaded
# shellcheck shell=bash

browser_run() {  # chromium arguments...
    local profile status
    profile=$(mktemp -d)
    timeout 60 chromium --headless --no-sandbox --disable-gpu --no-first-run --no-default-browser-check \
        --disable-background-networking --disable-component-update --disable-sync --disable-extensions \
        --host-resolver-rules="MAP * ~NOTFOUND, EXCLUDE localhost, EXCLUDE 127.0.0.1" --user-data-dir="$profile" \
        --lang=zh-CN --hide-scrollbars --virtual-time-budget=5000 --run-all-compositor-stages-before-draw \
        "$@" 2>/dev/null
    status=$?
    rm -rf "$profile"
    return $status
}

browser_screenshot() {  # url out.png [WIDTHxHEIGHT]
    local size=${3:-820x400}
    browser_run --window-size="${size/x/,}" --screenshot="$2" "$1" >/dev/null && [ -s "$2" ]
}

browser_text() {  # url
    local pdf status
    pdf=$(mktemp --suffix=.pdf)
    browser_run --no-pdf-header-footer --print-to-pdf="$pdf" "$1" >/dev/null && pdftotext -layout "$pdf" -
    status=$?
    rm -f "$pdf"
    return $status
}

browser_dom() {  # url
    browser_run --dump-dom "$1"
}
